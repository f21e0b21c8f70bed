#include "RegistryQuery.h"

#include "Platform.h"
#include "Socket.h"

#include <chrono>

RegistryQuery::RegistryQuery(Socket &socket, Platform &platform, ReadingLimits limits, Clock clock)
    : socket(socket), platform(platform), clock(std::move(clock)), reader(limits),
      quiet(new QTimer(this)) {
    quiet->setSingleShot(true);
    quiet->setTimerType(Qt::PreciseTimer);
    connect(quiet, &QTimer::timeout, this, &RegistryQuery::onQuietTime);
}

qint64 RegistryQuery::steadyClock() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void RegistryQuery::start(const RegistryEndpoint &endpoint) {
    socket.Connect(endpoint.host, endpoint.port);
}

void RegistryQuery::onConnected() {
    if (stage != Stage::Connecting || platform.programEnded())
        return;
    stage = Stage::Reading;
    socket.SendData(ListRequest);
    reader.requestSent(clock());
}

// The reply has no length, so it is read until it is whole: it ends with 0x04 and nothing more
// has come for a settle time that this connection's own pace sets (see ReplyReader::quietTime).
// Each arrival restarts that wait; the acknowledgement goes out only when the reading is over.
void RegistryQuery::onDataArrival() {
    // Arrivals while the reply is being taken are read by takeReply itself, in arrival order.
    if (stage != Stage::Reading || platform.programEnded())
        return;
    readPending();
    if (reader.isFull()) {
        takeReply();
        return;
    }
    if (!reader.isEmpty())
        quiet->start(int(reader.quietTime()));
}

void RegistryQuery::onQuietTime() {
    // A stale timer with nothing read must not take an empty reply.
    if (stage != Stage::Reading || reader.isEmpty() || platform.programEnded())
        return;
    // A timer can fire late or be stale; what counts is the time since the last piece.
    const qint64 remaining = reader.quietTime() - (clock() - lastArrivalAt);
    if (remaining > 0) {
        quiet->start(int(remaining));
        return;
    }
    takeReply();
}

void RegistryQuery::readPending() {
    const QByteArray bytes = socket.GetData();
    if (bytes.isEmpty())
        return;
    lastArrivalAt = clock();
    reader.arrived(bytes, lastArrivalAt);
}

bool RegistryQuery::takeWhatCame() {
    readPending();
    if (reader.isEmpty())
        return false;
    takeReply();
    return true;
}

void RegistryQuery::takeReply() {
    stage = Stage::Taken;
    quiet->stop();
    socket.SendData(ReplyAck);
    platform.runPendingEvents();
    if (platform.programEnded())
        return;
    // What arrived while events ran, before the hang-up, still belongs to the reply.
    readPending();
    socket.Close();
    stage = Stage::Over;
    platform.runPendingEvents();
    if (platform.programEnded())
        return;
    emit replyRead(reader.take());
}

void RegistryQuery::onClose() {
    if (stage != Stage::Reading || platform.programEnded())
        return;
    if (takeWhatCame())
        return;
    stage = Stage::Over;
    quiet->stop();
    emit closedFirst();
}

void RegistryQuery::onError() {
    if (stage == Stage::Taken || stage == Stage::Over || platform.programEnded())
        return;
    if (stage == Stage::Reading && takeWhatCame())
        return;
    if (failureReported)
        return;
    failureReported = true;
    emit failed();
}
