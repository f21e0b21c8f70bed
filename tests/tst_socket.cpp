// The socket adapter against real listeners on loopback: the four events the program sees, and a
// host whose first address swallows attempts.
#include "Socket.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <sys/socket.h>

using namespace Qt::StringLiterals;

enum class Happening { RegistryCloses, RegistryResets, NothingListens, ProgramCloses };
Q_DECLARE_METATYPE(Happening)

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
    QTest::newRow("program closes") << Happening::ProgramCloses << QList<int>{1, 0, 0};
}

void tst_Socket::events() {
    QFETCH(Happening, happening);
    QFETCH(QList<int>, counts);
    QTcpServer registry;
    QVERIFY(registry.listen(QHostAddress::LocalHost, 0));
    if (happening == Happening::NothingListens)
        registry.close();

    Socket socket;
    QSignalSpy connected(&socket, &Socket::connected);
    QSignalSpy closed(&socket, &Socket::closedByRegistry);
    QSignalSpy failed(&socket, &Socket::failed);
    socket.Connect(u"127.0.0.1"_s, registry.serverPort());
    QTRY_COMPARE(connected.size() + failed.size(), 1);
    if (happening != Happening::NothingListens) {
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
    // With a backlog of 0 Linux queues one connection and drops further SYNs: once the filler
    // holds that place, attempts hang as they do against an address that swallows them.
    QTcpServer silent;
    silent.setListenBacklogSize(0);
    if (!silent.listen(QHostAddress::LocalHostIPv6, port))
        QSKIP("No IPv6 loopback, or its port is taken");
    silent.pauseAccepting();
    QTcpSocket filler;
    filler.connectToHost(QHostAddress::LocalHostIPv6, port);
    QVERIFY(filler.waitForConnected(5000));

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
