// The registry query over a real connection: a QTcpServer on loopback plays the registry, and a
// real Socket maps Qt's way of reporting what happens onto its four events. What the query makes
// of them, in order, and what the registry receives. (How a reply is read over time:
// tst_registryquery; the window over the same kind of connection: tst_frmmain.)
#include "QueryLog.h"
#include "RecordingPlatform.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <sys/socket.h>

using namespace Qt::StringLiterals;

namespace {

// What the registry does once its reply is out: waits for the acknowledgement, or resets.
enum class Registry { Waits, Resets };

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
    const QStringList listed{"listed 2", "over"};
    QTest::newRow("resets before a byte")
        << QByteArray() << Registry::Resets << QStringList{"cannot connect"} << request;
    // The launcher's own close is no event, and the registry sees it.
    QTest::newRow("whole reply") << reply << Registry::Waits << listed
                                 << request + "\x00\x01\x04"_ba;
    // A reset ends a reply as a hang-up does, and no acknowledgement reaches it.
    QTest::newRow("reply, then resets") << reply << Registry::Resets << listed << request;
}

void tst_RegistryConnection::connection() {
    QFETCH(QByteArray, reply);
    QFETCH(Registry, registry);
    QFETCH(QStringList, log);
    QFETCH(QByteArray, received);

    QTcpServer listener;
    QVERIFY(listener.listen(QHostAddress::LocalHost, 0));
    QStringList happened;
    Socket socket;
    RecordingPlatform platform;
    ServerTable servers;
    // A short quiet time keeps the row quick; how long it is, tst_registryquery shows.
    RegistryQuery query(socket, platform, servers, {.minQuietMs = 50, .maxQuietMs = 50});
    wire(socket, query, servers, happened);
    query.start({u"127.0.0.1"_s, listener.serverPort()});

    QVERIFY(listener.waitForNewConnection(5000));
    QTcpSocket *peer = listener.nextPendingConnection();
    QByteArray got;
    QObject::connect(peer, &QTcpSocket::readyRead, [&] { got += peer->readAll(); });
    QTRY_COMPARE(got.size(), 4);
    peer->write(reply);
    peer->flush();
    if (registry == Registry::Resets) {
        // A close with a linger time of 0 s sends a reset instead of the orderly close.
        const linger abortive{1, 0};
        setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive,
                   sizeof abortive);
        peer->abort();
    }
    // Once the registry has seen the end, any event about it has had its chance.
    QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
    QTRY_COMPARE(happened, log);
    QCOMPARE(got, received);
}

QTEST_MAIN(tst_RegistryConnection)
#include "tst_registryconnection.moc"
