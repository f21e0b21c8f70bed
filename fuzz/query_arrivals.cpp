// The registry conversation under fuzzed timing. The input is cut into arrivals at points the
// fuzzer chooses, and between them the fuzzer picks what happens: a short pause, a pause long
// enough for the reply to count as read, an arrival while the query lets events run, the registry
// hanging up or resetting, or the user pressing Connect. A fake socket and a fake clock stand in
// for the network and time, so a run is exact and fast. Whatever the order: after every arrival
// the list is a prefix of what the parser gives for the bytes so far, at the end it is exactly
// that; there is one acknowledgement at most, never while the reply is still coming, and nothing
// is read or sent after the hang-up.
#include "query_arrivals.h"

#include "check.h"

#include "FakeSocket.h"
#include "QueryWiring.h"
#include "RecordingPlatform.h"
#include "RegistryQuery.h"
#include "ServerListParser.h"
#include "ServerTable.h"

#include <QCoreApplication>

#include <deque>

namespace {

// Each arrival is led by one control byte: its low five bits give the piece's length, the top
// three what happens before it arrives.
enum Before { ShortPause, LongPause, DuringEvents, RegistryHangsUp, RegistryResets, UserConnects };
struct Arrival {
    Before before;
    QByteArray piece;
};

std::deque<Arrival> planArrivals(const std::uint8_t *data, size_t size) {
    std::deque<Arrival> arrivals;
    for (size_t at = 0; at < size;) {
        const std::uint8_t control = data[at++];
        const size_t length = std::min<size_t>(control & 0x1F, size - at);
        arrivals.push_back(
            {Before((control >> 5) % 6),
             QByteArray(reinterpret_cast<const char *>(data + at), qsizetype(length))});
        at += length;
    }
    return arrivals;
}

// The table lists the parser's records for `bytes`: all of them, or the first so many.
void checkListed(const ServerTable &servers, QByteArrayView bytes, bool all) {
    const std::vector<ServerEntry> parsed = parseServerList(bytes);
    const auto listed = size_t(servers.serverCount());
    check(all ? listed == parsed.size() : listed <= parsed.size(),
          "listed more or fewer servers than the bytes so far hold");
    for (size_t i = 0; i < listed; ++i)
        check(servers.entry(qint32(i)) == parsed[i], "a listed server differs from the parser's");
}

QCoreApplication &application() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

} // namespace

void fuzzQueryArrivals(const std::uint8_t *data, size_t size) {
    application();
    std::deque<Arrival> arrivals = planArrivals(data, size);

    // A small cap, so that the fuzzer reaches it.
    constexpr qsizetype Cap = 256;
    qint64 now = 0;
    QStringList log;
    FakeSocket socket(log);
    RecordingPlatform platform;
    platform.runsEvents = false;
    ServerTable servers;
    RegistryQuery query(socket, platform, servers, {.maxBytes = Cap}, [&now] { return now; });
    int noServers = 0, over = 0;
    QObject::connect(&query, &RegistryQuery::noServers, [&] { ++noServers; });
    QObject::connect(&query, &RegistryQuery::readingOver, [&] { ++over; });
    // The bytes the query has taken in so far: what it read, up to the cap.
    const auto taken = [&] { return socket.read.first(std::min(socket.read.size(), Cap)); };
    QObject::connect(&query, &RegistryQuery::newServers,
                     [&] { checkListed(servers, taken(), false); });
    connectSocketToQuery(socket, query);

    std::deque<QByteArray> heldForEvents;
    platform.atPendingEvents = [&](int) {
        for (; !heldForEvents.empty(); heldForEvents.pop_front())
            socket.arrive(heldForEvents.front());
    };

    query.start({});
    socket.accept();
    check(log == QStringList{"request"}, "the request is not the first thing sent");
    bool registryGone = false;
    bool hungUpFirst = false;
    for (const Arrival &arrival : arrivals) {
        if (socket.closedByUs || platform.ended || registryGone)
            break;
        switch (arrival.before) {
        case ShortPause:
            now += 1;
            // The reply is still coming: only the cap may have ended it.
            check(!log.contains("ack") || socket.read.size() >= Cap,
                  "acknowledged while the reply was still coming");
            break;
        case LongPause:
            now += 10000;
            query.quietTimeOver();
            break;
        case DuringEvents:
            heldForEvents.push_back(arrival.piece);
            continue;
        case RegistryHangsUp:
        case RegistryResets:
            socket.waiting += arrival.piece;
            registryGone = true;
            hungUpFirst = arrival.before == RegistryHangsUp && socket.waiting.isEmpty() &&
                          socket.read.isEmpty();
            arrival.before == RegistryHangsUp ? socket.hangUp() : socket.reset();
            continue;
        case UserConnects:
            query.hangUp();
            continue;
        }
        socket.arrive(arrival.piece);
    }
    now += 10000;
    query.quietTimeOver();

    check(log.count("request") == 1 && log.count("ack") <= 1 && !log.contains("other bytes"),
          "something other than one request and at most one acknowledgement was sent");
    check(!log.contains("read after the close"), "read after the hang-up");
    check(!log.contains("ack") || !socket.read.isEmpty(), "acknowledged a reply that never came");
    if (!socket.read.isEmpty() && !platform.ended) {
        check(over == 1, "a reply was read, but the reading did not end once");
        checkListed(servers, taken(), true);
    }
    check(noServers == (hungUpFirst ? 1 : 0),
          "a hang-up before any byte was not reported once, or something else was");
}
