// The socket adapter against real listeners on loopback: the four events the program sees, a
// host whose addresses swallow attempts, and the order of the attempts.
#include "Socket.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <sys/socket.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

enum class Happening {
    RegistryCloses,
    RegistryResets,
    NothingListens,
    NothingAnswers,
    ProgramCloses,
    ProgramGivesUp
};
Q_DECLARE_METATYPE(Happening)

namespace {

// Loopback connects at once; a silent address should not hold a test up for long.
constexpr std::chrono::milliseconds Budget = 300ms;

// An address that swallows attempts. With a backlog of 0 Linux queues one connection and drops
// further SYNs: once the filler holds that place, attempts hang as they do against a host that
// drops them.
struct Swallower {
    QTcpServer server;
    QTcpSocket filler;

    bool listen(const QHostAddress &address, quint16 port = 0) {
        server.setListenBacklogSize(0);
        if (!server.listen(address, port))
            return false;
        server.pauseAccepting();
        filler.connectToHost(address, server.serverPort());
        return filler.waitForConnected(5000);
    }
};

} // namespace

class tst_Socket : public QObject {
    Q_OBJECT

private slots:
    void events_data();
    void events();
    void silentFirstAddress();
    void attemptOrder();
};

void tst_Socket::events_data() {
    QTest::addColumn<Happening>("happening");
    QTest::addColumn<QList<int>>("counts"); // connected, closed by the registry, failed
    QTest::newRow("registry closes") << Happening::RegistryCloses << QList<int>{1, 1, 0};
    QTest::newRow("registry resets") << Happening::RegistryResets << QList<int>{1, 0, 1};
    QTest::newRow("nothing listens") << Happening::NothingListens << QList<int>{0, 0, 1};
    QTest::newRow("nothing answers") << Happening::NothingAnswers << QList<int>{0, 0, 1};
    QTest::newRow("program closes") << Happening::ProgramCloses << QList<int>{1, 0, 0};
    QTest::newRow("program gives up") << Happening::ProgramGivesUp << QList<int>{0, 0, 0};
}

void tst_Socket::events() {
    QFETCH(Happening, happening);
    QFETCH(QList<int>, counts);
    Swallower silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    QTcpServer registry;
    QVERIFY(registry.listen(QHostAddress::LocalHost, 0));
    quint16 port = registry.serverPort();
    if (happening == Happening::NothingListens)
        registry.close();
    if (happening == Happening::NothingAnswers || happening == Happening::ProgramGivesUp)
        port = silent.server.serverPort();

    Socket socket(nullptr, Budget);
    QSignalSpy connected(&socket, &Socket::connected);
    QSignalSpy closed(&socket, &Socket::closedByRegistry);
    QSignalSpy failed(&socket, &Socket::failed);
    socket.Connect(u"127.0.0.1"_s, port);
    if (happening == Happening::ProgramGivesUp)
        socket.Close();
    // Whatever the budget leads to has happened once a socket with twice the budget has given up
    // on the silent address; a connection that was made outlives it.
    Socket witness(nullptr, 2 * Budget);
    QSignalSpy witnessFailed(&witness, &Socket::failed);
    witness.Connect(u"127.0.0.1"_s, silent.server.serverPort());
    QTRY_COMPARE(witnessFailed.size(), 1);

    if (counts[0] == 1) {
        QTRY_VERIFY(registry.hasPendingConnections());
        QTcpSocket *peer = registry.nextPendingConnection();
        // An abort is an orderly close, unless the socket lingers 0 s: then it is a reset.
        if (happening == Happening::RegistryResets) {
            const linger off = {1, 0};
            setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &off, sizeof off);
        }
        if (happening == Happening::ProgramCloses)
            socket.Close();
        else
            peer->abort();
        // Once the registry has seen the end, any event about it has had its chance.
        QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
        QTRY_COMPARE(closed.size() + failed.size(), counts[1] + counts[2]);
    }
    QCOMPARE(QList<int>({int(connected.size()), int(closed.size()), int(failed.size())}), counts);
}

// Qt alone gives an address that swallows attempts 30 s before it tries the next one.
void tst_Socket::silentFirstAddress() {
    QTcpServer answering;
    QVERIFY(answering.listen(QHostAddress::LocalHost, 0));
    const quint16 port = answering.serverPort();
    Swallower silent;
    if (!silent.listen(QHostAddress::LocalHostIPv6, port))
        QSKIP("No IPv6 loopback, or its port is taken");

    Socket socket;
    QSignalSpy connected(&socket, &Socket::connected);
    socket.connectToAddresses({QHostAddress::LocalHostIPv6, QHostAddress::LocalHost}, port);
    QTRY_COMPARE(connected.size(), 1);
    // The silent attempt is dropped: the winner alone is left.
    QTRY_COMPARE(socket.findChildren<QTcpSocket *>().size(), 1);
}

// The families take turns, the first one resolved first, and the larger family's rest comes last.
void tst_Socket::attemptOrder() {
    QList<QHostAddress> resolved;
    for (const char *text : {"2001:db8::1", "2001:db8::2", "2001:db8::3", "192.0.2.1"})
        resolved.append(QHostAddress(QString::fromLatin1(text)));
    QCOMPARE(Socket::attemptOrder(resolved),
             QList<QHostAddress>({resolved[0], resolved[3], resolved[1], resolved[2]}));
}

QTEST_GUILESS_MAIN(tst_Socket)
#include "tst_socket.moc"
