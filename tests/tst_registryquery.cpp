// The conversation with the registry, at the query's own seam, with a stand-in socket and a clock
// of the test's own: how a reply is read, record by record as it arrives, and when it counts as
// over, to the millisecond. (Over a real connection: tst_registryconnection.)
#include "FakeSocket.h"
#include "QueryLog.h"
#include "RecordingPlatform.h"

#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QByteArray Third = encodeRecord({"10.0.0.7", "5002", "Corrow", "Coast", 0});
const QByteArray Fourth = encodeRecord({"10.0.0.8", "5003", "Dunmore", "Moor", 7});

// One piece of the reply, arriving this long after the previous one (the first: after the
// request).
struct Arrival {
    qint64 afterMs;
    QByteArray bytes;
};
using Arrivals = QList<Arrival>;

// The launcher's side of one conversation: the query, its stand-in socket, and a clock that moves
// only when the test says so.
struct Conversation {
    explicit Conversation(qsizetype cap)
        : query(socket, platform, servers, {.maxBytes = cap}, [this] { return now; }) {
        wire(socket, query, servers, log);
    }

    QStringList log;
    FakeSocket socket{log};
    RecordingPlatform platform;
    ServerTable servers;
    qint64 now = 0;
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
        [](Conversation &c) {
            c.platform.ended = true;
            c.socket.hangUp();
            c.socket.reset();
        });
    row("registry resets before a byte, twice", {}, {"request", "cannot connect"},
        [](Conversation &c) {
            c.socket.reset();
            c.socket.reset();
        });
    row("user connects while the reply arrives", one, first, UserConnects);
    row("more arrives while events run", one,
        {"request", "arrival", "listed 1", "ack", "arrival", "listed 2", "close", "over"}, {},
        [](Conversation &c) { c.socket.arrive(Second); });
    row("user connects while events run", one, first, {}, UserConnects);
    row("program ends while events run", one, {"request", "arrival", "listed 1", "ack"}, {},
        [](Conversation &c) { c.platform.ended = true; });
}

void tst_RegistryQuery::reading() {
    QFETCH(Arrivals, arrivals);
    QFETCH(Happening, then);
    QFETCH(Happening, meanwhile);
    QFETCH(qsizetype, cap);
    QFETCH(QStringList, log);

    Conversation c(cap);
    c.platform.atPendingEvents = [&](int run) {
        if (run == 1 && meanwhile)
            meanwhile(c);
    };
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
