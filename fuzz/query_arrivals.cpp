// The registry conversation under fuzzed timing. The input is cut into arrivals at points the
// fuzzer chooses, and between them the fuzzer picks what happens: a short pause, a pause long
// enough for the reply to count as read, an arrival while the query lets events run, or the
// registry hanging up. A fake socket and a fake clock stand in for the network and time, so a run
// is exact and fast. Whatever the order, the bytes ingested are exactly the bytes read, in arrival
// order, once, with one acknowledgement, and nothing is read or sent after the hang-up.
#include "query_arrivals.h"

#include "check.h"

#include "Platform.h"
#include "RegistryProtocol.h"
#include "RegistryQuery.h"
#include "Socket.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <deque>

namespace {

class FakeSocket final : public Socket {
public:
    void Connect(const QString &, quint16) override {}
    void SendData(QByteArrayView bytes) override {
        check(!closed, "sent after the hang-up");
        sent += bytes;
    }
    QByteArray GetData() override {
        check(!closed, "read after the hang-up");
        read += waiting;
        return std::exchange(waiting, {});
    }
    void Close() override { closed = true; }

    void arrive(const QByteArray &piece) {
        if (closed)
            return;
        waiting += piece;
        emit dataArrival();
    }

    QByteArray waiting, read, sent;
    bool closed = false;
};

class FakePlatform final : public Platform {
public:
    void showMessage(const QString &) override {}
    void runPendingEvents() override {
        if (duringEvents)
            duringEvents();
    }
    void endProgram() override { ended = true; }
    bool programEnded() const override { return ended; }
    QByteArray applicationDirectory() const override { return {}; }
    bool startProcess(const ProcessStart &) override { return false; }

    std::function<void()> duringEvents;
    bool ended = false;
};

// Each arrival is led by one control byte: its low five bits give the piece's length, the top
// three what happens before it arrives.
enum Before { ShortPause, LongPause, DuringEvents, RegistryHangsUp };
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
            {Before((control >> 5) % 4),
             QByteArray(reinterpret_cast<const char *>(data + at), qsizetype(length))});
        at += length;
    }
    return arrivals;
}

// What the conversation must have come to, whatever the order of events.
void checkOutcome(const FakeSocket &socket, const QList<QByteArray> &ingested, int closedFirst,
                  bool hungUp) {
    const bool acknowledged = socket.sent.size() > ListRequest.size();
    check(socket.sent == ListRequest ||
              socket.sent == ListRequest.toByteArray() + ReplyAck.toByteArray(),
          "something other than one request and at most one acknowledgement was sent");
    check(ingested.size() <= 1, "the reply was ingested more than once");
    check(!acknowledged || !socket.read.isEmpty(), "acknowledged a reply that never came");
    check(ingested.isEmpty() == socket.read.isEmpty(), "bytes were read but never ingested");
    if (!ingested.isEmpty()) {
        check(acknowledged && socket.closed, "ingested before acknowledging and hanging up");
        check(ingested.front() == socket.read.first(std::min<qsizetype>(socket.read.size(), 256)),
              "ingested bytes are not the bytes read, in order");
    }
    check(closedFirst == (hungUp && socket.read.isEmpty() ? 1 : 0),
          "a hang-up before any byte was not reported once, or one after bytes was");
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
    const std::deque<Arrival> arrivals = planArrivals(data, size);

    qint64 now = 0;
    FakeSocket socket;
    FakePlatform platform;
    // A small cap, so that the fuzzer reaches it.
    RegistryQuery query(socket, platform, {.maxBytes = 256}, [&now] { return now; });
    QList<QByteArray> ingested;
    int closedFirst = 0;
    QObject::connect(&query, &RegistryQuery::replyRead,
                     [&](const QByteArray &reply) { ingested.append(reply); });
    QObject::connect(&query, &RegistryQuery::closedFirst, [&] { ++closedFirst; });
    QObject::connect(&socket, &Socket::dataArrival, &query, &RegistryQuery::onDataArrival);
    QObject::connect(&socket, &Socket::closedByRegistry, &query, &RegistryQuery::onClose);

    std::deque<QByteArray> heldForEvents;
    platform.duringEvents = [&] {
        while (!heldForEvents.empty()) {
            socket.arrive(heldForEvents.front());
            heldForEvents.pop_front();
        }
    };

    query.start({});
    query.onConnected();
    check(socket.sent == ListRequest, "the request is not the first thing sent");
    bool hungUp = false;
    for (const Arrival &arrival : arrivals) {
        if (socket.closed || platform.ended || hungUp)
            break;
        switch (arrival.before) {
        case ShortPause:
            now += 1;
            break;
        case LongPause:
            now += 10000;
            query.onQuietTime();
            break;
        case DuringEvents:
            heldForEvents.push_back(arrival.piece);
            continue;
        case RegistryHangsUp:
            socket.waiting += arrival.piece;
            emit socket.closedByRegistry();
            hungUp = true;
            continue;
        }
        socket.arrive(arrival.piece);
    }
    now += 10000;
    query.onQuietTime();

    checkOutcome(socket, ingested, closedFirst, hungUp);
}
