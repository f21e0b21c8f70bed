// The registry query over a real connection: a QTcpServer on loopback plays the registry, and a
// real Socket maps Qt's way of reporting what happens onto its four events. What the query makes
// of them, in order, and what the registry receives. (How a reply is read over time:
// tst_registryquery.)
#include "QueryLog.h"
#include "RecordingPlatform.h"
#include "Swallower.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <sys/socket.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// Loopback connects at once; a silent address should not hold a row up for long.
constexpr std::chrono::milliseconds Budget = 300ms;

// What happens once the reply is out: the registry waits for the acknowledgement or resets; or
// the program gives up while the registry swallows its attempt.
enum class Registry { ProgramGivesUp, Waits, Resets };

} // namespace

Q_DECLARE_METATYPE(Registry)

class tst_RegistryConnection : public QObject {
    Q_OBJECT

private slots:
    void connection_data();
    void connection();
};

void tst_RegistryConnection::connection_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<Registry>("registry");
    // The query's signals, in order.
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QByteArray>("received");

    // The bytes themselves, not the launcher's names for them: a wrong byte there shows here.
    const QByteArray request = "\x00\x02\x03\x01"_ba, reply = Lead + First + Second;
    // The budget stops with the program's own close: nothing more is heard.
    QTest::newRow("program gives up")
        << QByteArray() << Registry::ProgramGivesUp << QStringList() << ""_ba;
    QTest::newRow("resets before a byte")
        << QByteArray() << Registry::Resets << QStringList{"cannot connect"} << request;
    // The launcher's own close is no event, and the registry sees it. The reply comes later than
    // the connection's budget, which a connection that stands no longer counts against.
    QTest::newRow("whole reply, late")
        << reply << Registry::Waits << QStringList{"listed 2", "over"}
        << request + "\x00\x01\x04"_ba;
    // A reset is the end of a reply as much as a hang-up, and no acknowledgement reaches it.
    QTest::newRow("reply, then resets")
        << reply << Registry::Resets << QStringList{"listed 2", "over"} << request;
}

void tst_RegistryConnection::connection() {
    QFETCH(QByteArray, reply);
    QFETCH(Registry, registry);
    QFETCH(QStringList, log);
    QFETCH(QByteArray, received);

    QTcpServer listener;
    QVERIFY(listener.listen(QHostAddress::LocalHost, 0));
    Swallower silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    const bool connects = registry != Registry::ProgramGivesUp;

    QStringList happened;
    Socket socket(nullptr, Budget);
    RecordingPlatform platform;
    ServerTable servers;
    // A short quiet time keeps the row quick; how long it is, tst_registryquery shows.
    RegistryQuery query(socket, platform, servers, {.minQuietMs = 50, .maxQuietMs = 50});
    wire(socket, query, servers, happened);
    query.start({u"127.0.0.1"_s, connects ? listener.serverPort() : silent.server.serverPort()});
    if (!connects)
        query.hangUp();

    QByteArray got;
    if (connects) {
        QVERIFY(listener.waitForNewConnection(5000));
        QTcpSocket *peer = listener.nextPendingConnection();
        QObject::connect(peer, &QTcpSocket::readyRead, [&] { got += peer->readAll(); });
        QTRY_COMPARE(got.size(), 4);
        // This registry takes its time to answer.
        QTest::qWait(registry == Registry::Waits ? int(2 * Budget.count()) : 0);
        peer->write(reply);
        peer->flush();
        if (registry == Registry::Resets) {
            // A close with a linger time of 0 s sends a reset instead of the orderly close.
            const linger abortive{1, 0};
            setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive,
                       sizeof abortive);
        }
        if (registry != Registry::Waits)
            peer->abort();
        // Once the registry has seen the end, any event about it has had its chance.
        QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
    } else {
        // Whatever the budget leads to has happened once a socket with twice the budget has
        // given up on the silent address.
        Socket witness(nullptr, 2 * Budget);
        QSignalSpy witnessFailed(&witness, &Socket::failed);
        witness.Connect(u"127.0.0.1"_s, silent.server.serverPort());
        QTRY_COMPARE(witnessFailed.size(), 1);
    }
    QTRY_COMPARE(happened, log);
    QCOMPARE(got, received);
}

QTEST_MAIN(tst_RegistryConnection)
#include "tst_registryconnection.moc"
