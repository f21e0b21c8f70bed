// The conversation with the registry, at the query's own seam. With a stand-in socket and a clock
// of the test's own: how a reply is read, record by record as it arrives, and when it counts as
// over, to the millisecond. Against a real QTcpServer on loopback: the events a real connection
// gives (the socket maps Qt's way of reporting them onto four), what the query makes of them, and
// what the registry receives.
#include "FakeSocket.h"
#include "RecordingPlatform.h"
#include "RegistryQuery.h"
#include "ServerTable.h"
#include "Swallower.h"
#include "sample_reply.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <functional>

#include <sys/socket.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// Loopback connects at once; a silent address should not hold a row up for long.
constexpr std::chrono::milliseconds Budget = 300ms;

const QByteArray Lead = replyLead();
const QByteArray First = encodeRecord({"10.0.0.5", "5000", "Ashmere", "Fens", 2});
const QByteArray Second = encodeRecord({"10.0.0.6", "5001", "Brack", "Hills", 12});
const QByteArray Third = encodeRecord({"10.0.0.7", "5002", "Corrow", "Coast", 0});
const QByteArray Fourth = encodeRecord({"10.0.0.8", "5003", "Dunmore", "Moor", 7});

// One piece of the reply, arriving this long after the previous one (the first: after the
// request).
struct Arrival {
    qint64 afterMs;
    QByteArray bytes;
};
using Arrivals = QList<Arrival>;

// Something the registry, the user or the desktop does; nothing, when empty.
using Happening = std::function<void(FakeSocket &, RegistryQuery &, RecordingPlatform &)>;
const Happening RegistryHangsUp = [](FakeSocket &s, RegistryQuery &, RecordingPlatform &) {
    s.hangUp();
};
const Happening UserConnects = [](FakeSocket &, RegistryQuery &q, RecordingPlatform &) {
    q.hangUp();
};

// Passes the socket's events to the query, as the window does, and logs each of the query's
// signals in the same log as the conversation's steps.
void wire(Socket &socket, RegistryQuery &query, const ServerTable &servers, QStringList &log) {
    QObject::connect(&socket, &Socket::connected, &query, &RegistryQuery::connected);
    QObject::connect(&socket, &Socket::dataArrival, &query, &RegistryQuery::dataArrival);
    QObject::connect(&socket, &Socket::closedByRegistry, &query, &RegistryQuery::closedByRegistry);
    QObject::connect(&socket, &Socket::failed, &query, &RegistryQuery::failed);
    QObject::connect(&query, &RegistryQuery::newServers,
                     [&] { log.append(u"listed %1"_s.arg(servers.serverCount())); });
    QObject::connect(&query, &RegistryQuery::readingOver, [&] { log.append("over"); });
    QObject::connect(&query, &RegistryQuery::noServers, [&] { log.append("no servers"); });
    QObject::connect(&query, &RegistryQuery::cannotConnect, [&] { log.append("cannot connect"); });
}

} // namespace

Q_DECLARE_METATYPE(Arrivals)
Q_DECLARE_METATYPE(Happening)

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
    // After the last piece, and while the launcher lets events run with the reply acknowledged.
    QTest::addColumn<Happening>("then");
    QTest::addColumn<Happening>("meanwhile");
    QTest::addColumn<qsizetype>("cap");
    QTest::addColumn<QStringList>("log");

    const QStringList both{"request",  "arrival", "listed 1", "arrival",
                           "listed 2", "ack",     "close",    "over"};
    const QStringList first{"request", "arrival", "listed 1", "ack", "close", "over"};
    const QStringList hungUp{"request", "arrival", "listed 1", "close", "over"};
    const Arrivals one{{40, Lead + First}};
    const Arrivals cut{{40, Lead + First + Second.first(6)}};
    const auto row = [](const char *name, const Arrivals &arrivals, const QStringList &log,
                        const Happening &then = {}, const Happening &meanwhile = {},
                        qsizetype cap = ReadingLimits().maxBytes) {
        QTest::newRow(name) << arrivals << then << meanwhile << cap << log;
    };

    // TCP recovering a segment lost right after a record's end: a tail-loss probe, the 200 ms
    // minimum retransmission timeout and a bit, the 300 ms of older systems, and a slow one.
    for (const char *pause : {"150", "201", "320", "600"})
        row(qPrintable(u"pause of %1 ms after a record's end"_s.arg(pause)),
            {{40, Lead + First}, {QByteArray(pause).toInt(), Second}}, both);
    // The quiet time follows the connection's pace: three times the first byte's delay, twice the
    // longest pause so far (not the last one), at most five seconds.
    row("slow registry: first byte after 400 ms, then a pause of 1100 ms",
        {{400, Lead + First}, {1100, Second}}, both);
    row("pauses of 700, 100 and 1300 ms",
        {{40, Lead + First}, {700, Second}, {100, Third}, {1300, Fourth}},
        {"request", "arrival", "listed 1", "arrival", "listed 2", "arrival", "listed 3", "arrival",
         "listed 4", "ack", "close", "over"});
    row("a pause of 3 s inside a record, then 5.1 s of silence",
        {cut[0], {3000, Second.sliced(6)}, {5100, Third}}, both);
    row("record in pieces: listed when its end arrives",
        {{40, Lead + First.first(5)},
         {5, First.sliced(5) + Second.first(3)},
         {5, Second.sliced(3)}},
        {"request", "arrival", "arrival", "listed 1", "arrival", "listed 2", "ack", "close",
         "over"});
    row("long pause inside a record", {cut[0], {4500, Second.sliced(6)}}, both);
    row("no 0x04 at all: a record once the reply is over", {{40, "a\0b\0c\0d\0\x01\x07"_ba}},
        {"request", "arrival", "ack", "close", "listed 1", "over"});
    row("grows past the cap: over at once", {{40, Lead + First + Second}, {5, Second}}, first, {},
        {}, Lead.size() + First.size() + 3);
    row("registry hangs up after a record", one, hungUp, RegistryHangsUp);
    row("program ends, then the registry hangs up and resets", {}, {"request"},
        [](FakeSocket &s, RegistryQuery &, RecordingPlatform &p) {
            p.ended = true;
            s.hangUp();
            s.reset();
        });
    row("registry resets before a byte, twice", {}, {"request", "cannot connect"},
        [](FakeSocket &s, RegistryQuery &, RecordingPlatform &) {
            s.reset();
            s.reset();
        });
    row("user connects while the reply arrives", one, first, UserConnects);
    row("more arrives while events run", one,
        {"request", "arrival", "listed 1", "ack", "arrival", "listed 2", "close", "over"}, {},
        [](FakeSocket &s, RegistryQuery &, RecordingPlatform &) { s.arrive(Second); });
    row("user connects while events run", one, first, {}, UserConnects);
    row("program ends while events run", one, {"request", "arrival", "listed 1", "ack"}, {},
        [](FakeSocket &, RegistryQuery &, RecordingPlatform &p) { p.ended = true; });
}

void tst_RegistryQuery::reading() {
    QFETCH(Arrivals, arrivals);
    QFETCH(Happening, then);
    QFETCH(Happening, meanwhile);
    QFETCH(qsizetype, cap);
    QFETCH(QStringList, log);

    QStringList happened;
    FakeSocket socket(happened);
    RecordingPlatform platform;
    ServerTable servers;
    qint64 now = 0;
    RegistryQuery query(socket, platform, servers, {.maxBytes = cap}, [&now] { return now; });
    wire(socket, query, servers, happened);
    platform.atPendingEvents = [&](int run) {
        if (run == 1 && meanwhile)
            meanwhile(socket, query, platform);
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
    if (then)
        then(socket, query, platform);
    wait(10000);
    QCOMPARE(happened, log);
}

void tst_RegistryQuery::connection_data() {
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

void tst_RegistryQuery::connection() {
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

QTEST_MAIN(tst_RegistryQuery)
#include "tst_registryquery.moc"
