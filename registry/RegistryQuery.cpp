#include "RegistryQuery.h"

#include "Platform.h"
#include "ServerTable.h"
#include "Socket.h"

#include <QTimer>

#include <chrono>

RegistryQuery::RegistryQuery(Socket &socket, Platform &platform, ServerTable &servers,
                             ReadingLimits limits, Clock clock)
    : socket(socket), platform(platform), servers(servers), clock(std::move(clock)), reader(limits),
      quiet(new QTimer(this)) {
    quiet->setSingleShot(true);
    quiet->setTimerType(Qt::PreciseTimer);
    connect(quiet, &QTimer::timeout, this, &RegistryQuery::quietTimeOver);
}

qint64 RegistryQuery::steadyClock() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void RegistryQuery::start(const RegistryEndpoint &endpoint) {
    socket.Connect(endpoint.host, endpoint.port);
}

void RegistryQuery::connected() {
    if (stage != Stage::Connecting || platform.programEnded())
        return;
    stage = Stage::Reading;
    socket.SendData(ListRequest);
    reader.requestSent(clock());
}

// The reply has no length, so it is read until it is over: it ends with 0x04 and nothing more has
// come for a quiet time that this connection's own pace sets (ReplyReader::quietTime). Every
// record is listed the moment its last byte is in, so the wait costs the user nothing; each
// arrival restarts it, and only the acknowledgement waits for its end.
void RegistryQuery::dataArrival() {
    // Arrivals while the reply is being taken are read by takeReply itself, in arrival order.
    if (stage != Stage::Reading || platform.programEnded())
        return;
    readPending();
    if (reader.isFull())
        takeReply();
    else if (!reader.isEmpty())
        quiet->start(int(reader.quietTime()));
}

void RegistryQuery::quietTimeOver() {
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
    if (servers.append(reader.arrived(bytes, lastArrivalAt)) > 0)
        emit newServers();
}

bool RegistryQuery::takeWhatCame() {
    readPending();
    if (reader.isEmpty())
        return false;
    takeReply();
    return true;
}

void RegistryQuery::takeReply() {
    stage = Stage::Acknowledged;
    quiet->stop();
    socket.SendData(ReplyAck);
    platform.runPendingEvents();
    // The user may have ended the program, or hung up with Connect, while events ran.
    if (platform.programEnded() || stage != Stage::Acknowledged)
        return;
    // What arrived while events ran, before the hang-up, still belongs to the reply.
    readPending();
    socket.Close();
    stage = Stage::Over;
    platform.runPendingEvents();
    if (platform.programEnded())
        return;
    endReading();
}

void RegistryQuery::endReading() {
    if (servers.replyOver() > 0)
        emit newServers();
    emit readingOver();
}

void RegistryQuery::hangUp() {
    // Only a reply that has begun is acknowledged and read to its end.
    const bool replyBegun =
        stage == Stage::Acknowledged || (stage == Stage::Reading && !reader.isEmpty());
    if (stage == Stage::Reading && replyBegun)
        socket.SendData(ReplyAck);
    quiet->stop();
    socket.Close();
    stage = Stage::Over;
    if (replyBegun)
        endReading();
}

void RegistryQuery::closedByRegistry() {
    if (stage != Stage::Reading || platform.programEnded())
        return;
    if (takeWhatCame())
        return;
    stage = Stage::Over;
    quiet->stop();
    emit noServers();
}

void RegistryQuery::failed() {
    if (stage == Stage::Acknowledged || stage == Stage::Over || platform.programEnded())
        return;
    if (stage == Stage::Reading && takeWhatCame())
        return;
    stage = Stage::Over;
    quiet->stop();
    emit cannotConnect();
}
