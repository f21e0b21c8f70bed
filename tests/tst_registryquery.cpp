// The conversation with the registry, at the query's own seam, with a stand-in socket and a clock
// of the test's own: how a reply is read, record by record as it arrives, and when it counts as
// over, to the millisecond. (Over a real connection, through the window: tst_frmmain.)
#include "FakeSocket.h"
#include "QueryWiring.h"
#include "RecordingPlatform.h"
#include "ServerTable.h"
#include "sample_reply.h"

#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QByteArray Lead = replyLead();
const QByteArray First = encodeRecord({"10.0.0.5", "5000", "Ashmere", "Fens", 2});
const QByteArray Second = encodeRecord({"10.0.0.6", "5001", "Brack", "Hills", 12});

// Passes the socket's events to the query, as the window does, and logs each of the query's
// signals in the same log as the conversation's steps.
void wire(Socket &socket, RegistryQuery &query, const ServerTable &servers, QStringList &log) {
    connectSocketToQuery(socket, query);
    QObject::connect(&query, &RegistryQuery::newServers,
                     [&] { log.append(QStringLiteral("listed %1").arg(servers.serverCount())); });
    QObject::connect(&query, &RegistryQuery::readingOver, [&] { log.append("over"); });
    QObject::connect(&query, &RegistryQuery::noServers, [&] { log.append("no servers"); });
    QObject::connect(&query, &RegistryQuery::cannotConnect, [&] { log.append("cannot connect"); });
}

const QByteArray Third = encodeRecord({"10.0.0.7", "5002", "Corrow", "Coast", 0});
const QByteArray Fourth = encodeRecord({"10.0.0.8", "5003", "Dunmore", "Moor", 7});

// One piece of the reply, arriving this long after the previous one (the first: after the
// request).
struct Arrival {
    qint64 afterMs;
    QByteArray bytes;
};
using Arrivals = QList<Arrival>;

// The launcher's side of one conversation: the query with the limits it ships with, its stand-in
// socket, and a clock that moves only when the test says so.
struct Conversation {
    Conversation() : query(socket, platform, servers, {}, [this] { return now; }) {
        wire(socket, query, servers, log);
    }

    QStringList log;
    FakeSocket socket{log};
    RecordingPlatform platform;
    ServerTable servers;
    // A steady clock counts from some moment long before the request.
    qint64 now = 1000000;
    RegistryQuery query;
};

// Something the registry, the user or the desktop does; nothing, when empty.
using Happening = std::function<void(Conversation &)>;
const Happening RegistryHangsUp = [](Conversation &c) { c.socket.hangUp(); };
const Happening UserConnects = [](Conversation &c) { c.query.hangUp(); };

} // namespace

Q_DECLARE_METATYPE(Arrivals)
Q_DECLARE_METATYPE(Happening)

class tst_RegistryQuery : public QObject {
    Q_OBJECT

private slots:
    void reading_data();
    void reading();
};

void tst_RegistryQuery::reading_data() {
    QTest::addColumn<Arrivals>("arrivals");
    // After the last piece; and each time the launcher lets events run once the reply is taken.
    QTest::addColumn<Happening>("then");
    QTest::addColumn<Happening>("meanwhile");
    QTest::addColumn<QStringList>("log");

    const QStringList both{"request",  "arrival", "listed 1", "arrival",
                           "listed 2", "ack",     "close",    "over"};
    const QStringList first{"request", "arrival", "listed 1", "ack", "close", "over"};
    const Arrivals one{{40, Lead + First}};
    const auto row = [](const QString &name, const Arrivals &arrivals, const QStringList &log,
                        const Happening &then = {}, const Happening &meanwhile = {}) {
        QTest::newRow(qPrintable(name)) << arrivals << then << meanwhile << log;
    };

    // TCP recovering a segment lost right after a record's end takes a tail-loss probe, a 200 ms
    // or 300 ms retransmission timeout, or more: a second of silence is the least that ends a
    // reply.
    for (const int pause : {600, 1050})
        row(u"pause of %1 ms after a record's end"_s.arg(pause),
            {{40, Lead + First}, {pause, Second}}, pause < 1000 ? both : first);
    // The quiet time follows the connection's pace: three times the first byte's delay, twice the
    // longest pause so far (not the last one), at most five seconds.
    for (const int pause : {1100, 1300})
        row(u"slow registry: first byte after 400 ms, then a pause of %1 ms"_s.arg(pause),
            {{400, Lead + First}, {pause, Second}}, pause < 1200 ? both : first);
    row("pauses of 700, 100, 1300 and 2700 ms",
        {{40, Lead + First}, {700, Second}, {100, Third}, {1300, Fourth}, {2700, First}},
        {"request", "arrival", "listed 1", "arrival", "listed 2", "arrival", "listed 3", "arrival",
         "listed 4", "ack", "close", "over"});
    row("pauses of 3 s inside a record and 4.9 s after one, then 5.1 s of silence",
        {{40, Lead + First + Second.first(6)},
         {3000, Second.sliced(6)},
         {4900, Third},
         {5100, Fourth}},
        {"request", "arrival", "listed 1", "arrival", "listed 2", "arrival", "listed 3", "ack",
         "close", "over"});
    // Bytes that cannot be a whole reply wait out 5 s, no more.
    row("pause of 4.5 s inside a record, then 5.1 s",
        {{40, Lead + First.first(5)}, {4500, First.sliced(5) + Third.first(6)}, {5100, Fourth}},
        {"request", "arrival", "arrival", "listed 1", "ack", "close", "over"});
    // The reading stops at 64 MiB exactly, at once: the record whose end byte comes one past it is
    // listed as a whole reply's last record, after the hang-up, and the registry's own hang-up
    // finds the reply taken.
    const QByteArray head = Lead + First;
    const QByteArray big(64 * 1024 * 1024 + 1 - head.size() - 10, 'd');
    row("default cap: 64 MiB, one byte short of a record's end",
        {{40, head}, {5, encodeRecord({"a", "b", "c", big, 7})}},
        {"request", "arrival", "listed 1", "arrival", "ack", "close", "listed 2", "over"},
        RegistryHangsUp);
    // Once the program has ended, nothing the registry does and no time that passes has a say.
    row("program ends, then more arrives, time passes, the registry hangs up and resets", one,
        {"request", "arrival", "listed 1", "arrival"}, [](Conversation &c) {
            c.platform.ended = true;
            c.socket.arrive(Second);
            c.now += 10000;
            c.query.quietTimeOver();
            c.socket.hangUp();
            c.socket.reset();
        });
    row("more arrives while events run", one,
        {"request", "arrival", "listed 1", "ack", "arrival", "listed 2", "close", "over"}, {},
        [](Conversation &c) { c.socket.arrive(Second); });
    // Only a reply that has begun is acknowledged.
    row("user connects before a byte", {}, {"request", "close"}, UserConnects);
    row("user connects while events run", one, first, {}, UserConnects);
    // Cancel while the acknowledged reply lets events run, before and after the hang-up: nothing
    // more is listed, not even a last record without its end byte, and nothing is said.
    const Arrivals unfinished{{40, Lead + First + Second.chopped(1)}};
    for (const int run : {1, 2})
        row(u"program ends while events run, %1 the hang-up"_s.arg(run == 1 ? "before" : "after"),
            unfinished,
            QStringList{"request", "arrival", "listed 1", "ack", "close"}.first(3 + run), {},
            [run](Conversation &c) { c.platform.ended |= c.platform.pendingEventRuns == run; });
}

void tst_RegistryQuery::reading() {
    QFETCH(Arrivals, arrivals);
    QFETCH(Happening, then);
    QFETCH(Happening, meanwhile);
    QFETCH(QStringList, log);

    Conversation c;
    if (meanwhile)
        c.platform.atPendingEvents = [&](int) { meanwhile(c); };
    // Time passes: whatever the query's timer would have done by then, it does.
    const auto wait = [&c](qint64 ms) {
        c.now += ms;
        c.query.quietTimeOver();
    };

    c.query.start({});
    c.socket.accept();
    for (const Arrival &arrival : std::as_const(arrivals)) {
        wait(arrival.afterMs);
        c.socket.arrive(arrival.bytes);
    }
    if (then)
        then(c);
    wait(10000);
    QCOMPARE(c.log, log);
}

QTEST_MAIN(tst_RegistryQuery)
#include "tst_registryquery.moc"
