// The registry query over a real connection: a QTcpServer on loopback plays the registry, and a
// real Socket maps Qt's way of reporting what happens onto its four events. What those events are,
// what the query makes of them, and what the registry receives. (How a reply is read over time:
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

} // namespace

class tst_RegistryConnection : public QObject {
    Q_OBJECT

private slots:
    void connection_data();
    void connection();
};

void tst_RegistryConnection::connection_data() {
    QTest::addColumn<QByteArray>("reply");
    // What the registry does once the reply is out: waits for the acknowledgement, closes or
    // resets; or it never listens, or swallows the attempts; or the program gives up at once.
    QTest::addColumn<QString>("registry");
    QTest::addColumn<QList<int>>("events"); // connected, closed by the registry, failed
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QByteArray>("received");

    // The bytes themselves, not the launcher's names for them: a wrong byte there shows here.
    const QByteArray request = "\x00\x02\x03\x01"_ba, reply = Lead + First + Second;
    const QStringList listed{"listed 2", "over"}, cannot{"cannot connect"};
    QTest::newRow("nothing listens")
        << QByteArray() << "never listens" << QList{0, 0, 1} << cannot << QByteArray();
    QTest::newRow("nothing answers")
        << QByteArray() << "swallows" << QList{0, 0, 1} << cannot << QByteArray();
    QTest::newRow("program gives up")
        << QByteArray() << "gives up" << QList{0, 0, 0} << QStringList() << QByteArray();
    QTest::newRow("hangs up before a byte")
        << QByteArray() << "closes" << QList{1, 1, 0} << QStringList{"no servers"} << request;
    QTest::newRow("resets before a byte")
        << QByteArray() << "resets" << QList{1, 0, 1} << cannot << request;
    // The launcher's own close is no event, and the registry sees it. The reply comes later than
    // the connection's budget, which a connection that stands no longer counts against.
    QTest::newRow("whole reply, late")
        << reply << "waits" << QList{1, 0, 0} << listed << request + "\x00\x01\x04"_ba;
    QTest::newRow("reply, then hangs up")
        << reply << "closes" << QList{1, 1, 0} << listed << request;
    QTest::newRow("reply, then resets") << reply << "resets" << QList{1, 0, 1} << listed << request;
}

void tst_RegistryConnection::connection() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, registry);
    QFETCH(QList<int>, events);
    QFETCH(QStringList, log);
    QFETCH(QByteArray, received);

    QTcpServer listener;
    QVERIFY(listener.listen(QHostAddress::LocalHost, 0));
    Swallower silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    const bool answers = registry != "swallows" && registry != "gives up";
    const quint16 port = answers ? listener.serverPort() : silent.server.serverPort();
    if (registry == "never listens")
        listener.close();

    QStringList happened;
    Socket socket(nullptr, Budget);
    RecordingPlatform platform;
    ServerTable servers;
    // A short quiet time keeps the row quick; how long it is, the table above shows.
    RegistryQuery query(socket, platform, servers, {.minQuietMs = 50, .maxQuietMs = 50});
    wire(socket, query, servers, happened);
    QSignalSpy connected(&socket, &Socket::connected);
    QSignalSpy closed(&socket, &Socket::closedByRegistry);
    QSignalSpy failed(&socket, &Socket::failed);
    query.start({u"127.0.0.1"_s, port});
    if (registry == "gives up")
        query.hangUp();

    QByteArray got;
    if (events[0] == 1) {
        QVERIFY(listener.waitForNewConnection(5000));
        QTcpSocket *peer = listener.nextPendingConnection();
        QObject::connect(peer, &QTcpSocket::readyRead, [&] { got += peer->readAll(); });
        QTRY_COMPARE(got.size(), 4);
        // This registry takes its time to answer.
        QTest::qWait(registry == "waits" ? int(2 * Budget.count()) : 0);
        peer->write(reply);
        peer->flush();
        if (registry == "resets") {
            // A close with a linger time of 0 s sends a reset instead of the orderly close.
            const linger abortive{1, 0};
            setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive,
                       sizeof abortive);
        }
        if (registry != "waits")
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
    QCOMPARE(QList({int(connected.size()), int(closed.size()), int(failed.size())}), events);
}

QTEST_MAIN(tst_RegistryConnection)
#include "tst_registryconnection.moc"
