// The conversation with the registry, at the query's own seam. With a fake socket and a clock of
// the test's own: how a reply is read, record by record as it arrives, and when it counts as over,
// to the millisecond. Against a real QTcpServer on loopback: what a real connection's events come
// to, and what the registry receives.
#include "FakeSocket.h"
#include "RecordingPlatform.h"
#include "RegistryQuery.h"
#include "ServerTable.h"
#include "sample_reply.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <sys/socket.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray Lead = replyLead();
const QByteArray First = encodeRecord({"10.0.0.5", "5000", "Ashmere", "Fens", 2});
const QByteArray Second = encodeRecord({"10.0.0.6", "5001", "Brack", "Hills", 12});

// One piece of the reply, arriving this long after the previous one (the first: after the
// request).
struct Arrival {
    qint64 afterMs;
    QByteArray bytes;
};
using Arrivals = QList<Arrival>;

// What the registry or the user does after the last piece.
enum class Then { Quiet, RegistryHangsUp, RegistryResets, RegistryResetsTwice, UserConnects };
// What happens while the launcher lets events run with the reply acknowledged.
enum class Meanwhile { Nothing, MoreArrives, RegistryHangsUp, UserConnects, ProgramEnds };

// Logs each of the query's signals in the same log as the conversation's steps.
void logSignals(RegistryQuery &query, const ServerTable &servers, QStringList &log) {
    QObject::connect(&query, &RegistryQuery::newServers,
                     [&] { log.append(u"listed %1"_s.arg(servers.serverCount())); });
    QObject::connect(&query, &RegistryQuery::readingOver, [&] { log.append("over"); });
    QObject::connect(&query, &RegistryQuery::noServers, [&] { log.append("no servers"); });
    QObject::connect(&query, &RegistryQuery::cannotConnect, [&] { log.append("cannot connect"); });
}

} // namespace

Q_DECLARE_METATYPE(Arrivals)
Q_DECLARE_METATYPE(Then)
Q_DECLARE_METATYPE(Meanwhile)

class tst_RegistryQuery : public QObject {
    Q_OBJECT

private slots:
    void reading_data();
    void reading();
    void connection_data();
    void connection();
};

void tst_RegistryQuery::reading_data() {
    QTest::addColumn<Arrivals>("arrivals");
    QTest::addColumn<Then>("then");
    QTest::addColumn<Meanwhile>("meanwhile");
    QTest::addColumn<qsizetype>("cap");
    QTest::addColumn<QStringList>("log");

    const qsizetype noCap = ReadingLimits().maxBytes;
    const QStringList both{"request",  "arrival", "listed 1", "arrival",
                           "listed 2", "ack",     "close",    "over"};
    const QStringList first{"request", "arrival", "listed 1", "ack", "close", "over"};
    const QStringList hungUp{"request", "arrival", "listed 1", "close", "over"};

    // TCP recovering a segment lost right after a record's end: a tail-loss probe, the 200 ms
    // minimum retransmission timeout and a bit, the 300 ms of older systems, and a slow one.
    for (const int pause : {150, 201, 320, 600})
        QTest::addRow("pause of %d ms after a record's end", pause)
            << Arrivals{{40, Lead + First}, {pause, Second}} << Then::Quiet << Meanwhile::Nothing
            << noCap << both;
    QTest::newRow("record in pieces: listed when its end arrives")
        << Arrivals{{40, Lead + First.first(5)},
                    {5, First.sliced(5) + Second.first(3)},
                    {5, Second.sliced(3)}}
        << Then::Quiet << Meanwhile::Nothing << noCap
        << QStringList{"request",  "arrival", "arrival", "listed 1", "arrival",
                       "listed 2", "ack",     "close",   "over"};
    QTest::newRow("long pause inside a record")
        << Arrivals{{40, Lead + First + Second.first(6)}, {4500, Second.sliced(6)}} << Then::Quiet
        << Meanwhile::Nothing << noCap << both;
    QTest::newRow("stalls inside a record") << Arrivals{{40, Lead + First + Second.first(6)}}
                                            << Then::Quiet << Meanwhile::Nothing << noCap << first;
    QTest::newRow("no 0x04 at all: a record once the reply is over")
        << Arrivals{{40, "a\0b\0c\0d\0\x01\x07"_ba}} << Then::Quiet << Meanwhile::Nothing << noCap
        << QStringList{"request", "arrival", "ack", "close", "listed 1", "over"};
    QTest::newRow("grows past the cap")
        << Arrivals{{40, Lead + First + Second}} << Then::Quiet << Meanwhile::Nothing
        << Lead.size() + First.size() + 3 << first;
    QTest::newRow("registry hangs up after a record")
        << Arrivals{{40, Lead + First}} << Then::RegistryHangsUp << Meanwhile::Nothing << noCap
        << hungUp;
    QTest::newRow("registry resets after a record")
        << Arrivals{{40, Lead + First}} << Then::RegistryResets << Meanwhile::Nothing << noCap
        << hungUp;
    QTest::newRow("registry hangs up before a byte")
        << Arrivals() << Then::RegistryHangsUp << Meanwhile::Nothing << noCap
        << QStringList{"request", "no servers"};
    QTest::newRow("registry resets before a byte, twice")
        << Arrivals() << Then::RegistryResetsTwice << Meanwhile::Nothing << noCap
        << QStringList{"request", "cannot connect"};
    QTest::newRow("user connects while the reply arrives")
        << Arrivals{{40, Lead + First}} << Then::UserConnects << Meanwhile::Nothing << noCap
        << first;
    QTest::newRow("more arrives while events run")
        << Arrivals{{40, Lead + First}} << Then::Quiet << Meanwhile::MoreArrives << noCap
        << QStringList{"request", "arrival",  "listed 1", "ack",
                       "arrival", "listed 2", "close",    "over"};
    QTest::newRow("registry hangs up while events run")
        << Arrivals{{40, Lead + First}} << Then::Quiet << Meanwhile::RegistryHangsUp << noCap
        << first;
    QTest::newRow("user connects while events run")
        << Arrivals{{40, Lead + First}} << Then::Quiet << Meanwhile::UserConnects << noCap << first;
    QTest::newRow("program ends while events run")
        << Arrivals{{40, Lead + First}} << Then::Quiet << Meanwhile::ProgramEnds << noCap
        << QStringList{"request", "arrival", "listed 1", "ack"};
}

void tst_RegistryQuery::reading() {
    QFETCH(Arrivals, arrivals);
    QFETCH(Then, then);
    QFETCH(Meanwhile, meanwhile);
    QFETCH(qsizetype, cap);
    QFETCH(QStringList, log);

    QStringList happened;
    FakeSocket socket(happened);
    RecordingPlatform platform;
    ServerTable servers;
    qint64 now = 0;
    RegistryQuery query(socket, platform, servers, {.maxBytes = cap}, [&now] { return now; });
    logSignals(query, servers, happened);
    QObject::connect(&socket, &Socket::connected, &query, &RegistryQuery::connected);
    QObject::connect(&socket, &Socket::dataArrival, &query, &RegistryQuery::dataArrival);
    QObject::connect(&socket, &Socket::closedByRegistry, &query, &RegistryQuery::closedByRegistry);
    QObject::connect(&socket, &Socket::failed, &query, &RegistryQuery::failed);
    platform.atPendingEvents = [&](int run) {
        if (run != 1)
            return;
        switch (meanwhile) {
        case Meanwhile::MoreArrives:
            return socket.arrive(Second);
        case Meanwhile::RegistryHangsUp:
            return socket.hangUp();
        case Meanwhile::UserConnects:
            return query.hangUp();
        case Meanwhile::ProgramEnds:
            platform.ended = true;
            return;
        case Meanwhile::Nothing:
            return;
        }
    };
    // Time passes: whatever the query's timer would have done by then, it does.
    const auto wait = [&](qint64 ms) {
        now += ms;
        query.quietTimeOver();
    };

    query.start({});
    socket.accept();
    for (const Arrival &arrival : std::as_const(arrivals)) {
        wait(arrival.afterMs);
        socket.arrive(arrival.bytes);
    }
    switch (then) {
    case Then::RegistryHangsUp:
        socket.hangUp();
        break;
    case Then::RegistryResetsTwice:
        socket.reset();
        [[fallthrough]];
    case Then::RegistryResets:
        socket.reset();
        break;
    case Then::UserConnects:
        query.hangUp();
        break;
    case Then::Quiet:
        break;
    }
    wait(10000);
    QCOMPARE(happened, log);
}

void tst_RegistryQuery::connection_data() {
    QTest::addColumn<QByteArray>("reply");
    // How the registry ends its side once the reply is out: it waits for the acknowledgement,
    // closes, resets, or never listened at all.
    QTest::addColumn<QString>("ending");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QByteArray>("received");

    const QByteArray request = ListRequest.toByteArray(), ack = ReplyAck.toByteArray();
    const QByteArray reply = Lead + First + Second;
    const QStringList listed{"listed 2", "over"};
    QTest::newRow("nothing listens")
        << QByteArray() << "never listens" << QStringList{"cannot connect"} << QByteArray();
    QTest::newRow("hangs up before a byte")
        << QByteArray() << "closes" << QStringList{"no servers"} << request;
    QTest::newRow("resets before a byte")
        << QByteArray() << "resets" << QStringList{"cannot connect"} << request;
    QTest::newRow("whole reply") << reply << "waits" << listed << request + ack;
    QTest::newRow("reply, then hangs up") << reply << "closes" << listed << request;
    QTest::newRow("reply, then resets") << reply << "resets" << listed << request;
}

void tst_RegistryQuery::connection() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, ending);
    QFETCH(QStringList, log);
    QFETCH(QByteArray, received);

    QTcpServer registry;
    QVERIFY(registry.listen(QHostAddress::LocalHost, 0));
    const quint16 port = registry.serverPort();
    if (ending == "never listens")
        registry.close();

    QStringList happened;
    Socket socket;
    RecordingPlatform platform;
    ServerTable servers;
    // A short quiet time keeps the row quick; how long it is, the table above shows.
    RegistryQuery query(socket, platform, servers, {.minQuietMs = 50, .maxQuietMs = 50});
    logSignals(query, servers, happened);
    QObject::connect(&socket, &Socket::connected, &query, &RegistryQuery::connected);
    QObject::connect(&socket, &Socket::dataArrival, &query, &RegistryQuery::dataArrival);
    QObject::connect(&socket, &Socket::closedByRegistry, &query, &RegistryQuery::closedByRegistry);
    QObject::connect(&socket, &Socket::failed, &query, &RegistryQuery::failed);
    query.start({u"127.0.0.1"_s, port});

    if (ending != "never listens") {
        QVERIFY(registry.waitForNewConnection(5000));
        QTcpSocket *peer = registry.nextPendingConnection();
        QByteArray got;
        QObject::connect(peer, &QTcpSocket::readyRead, [&] { got += peer->readAll(); });
        QTRY_COMPARE(got, ListRequest.toByteArray());
        peer->write(reply);
        peer->flush();
        if (ending == "resets") {
            // A close with a linger time of 0 s sends a reset instead of the orderly close.
            const linger abortive{1, 0};
            setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive,
                       sizeof abortive);
        }
        if (ending != "waits")
            peer->abort();
        else
            // The launcher hangs up once the reply is over, and the registry sees it.
            QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
        QTRY_COMPARE(happened.size(), log.size());
        QCOMPARE(got, received);
    }
    QTRY_COMPARE(happened, log);
}

QTEST_MAIN(tst_RegistryQuery)
#include "tst_registryquery.moc"
