// When the registry's reply counts as read. The reply carries no length and no count, and a
// remote registry's bytes arrive in pieces: one flight of TCP segments per round trip, or a
// trickle from a slow registry. Taking the first piece as the whole reply loses servers, so the
// bytes are gathered here until the reply is whole or plainly will not become whole.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

#include <utility>

struct ReadingLimits {
    // Far above any real list; past it the reading stops, so memory stays bounded whatever the
    // registry sends.
    qsizetype maxBytes = qsizetype(64) * 1024 * 1024;
    // A reply that does not end where a reply can end, and stays quiet this long, has stopped.
    qint64 stallMs = 3000;
    // Upper bound of the settle time, and the slack added to it for scheduling noise.
    qint64 maxSettleMs = 2000;
    qint64 noiseMs = 20;
};

class ReplyReader {
public:
    explicit ReplyReader(ReadingLimits limits = {}) : limits(limits) {}

    // Times are milliseconds of one monotonic clock.
    void requestSent(qint64 now) { requestedAt = now; }
    // Appends a piece, in arrival order; whatever lies past the size cap is dropped.
    void arrived(QByteArrayView bytes, qint64 now);

    bool isEmpty() const { return reply.isEmpty(); }
    bool isFull() const { return reply.size() >= limits.maxBytes; }

    // How long after the last piece the reply counts as read if nothing more arrives.
    //
    // A whole reply ends with 0x04 (the end of its leading part or of its last record), but so
    // does a reply cut right after a record, so the end byte alone proves nothing. What this
    // connection has shown tells how long a further piece could take: the next flight comes
    // about one round trip after the last, and the first byte came one round trip plus the
    // registry's own work after the request; a slow registry shows its pace in the pauses
    // between its pieces. Twice the larger of those, plus slack, and no more than a bound. A
    // reply that does not end in 0x04 is surely not whole, and gets the longer stall time.
    qint64 quietTime() const;

    QByteArray take() { return std::exchange(reply, {}); }

private:
    ReadingLimits limits;
    QByteArray reply;
    qint64 requestedAt = 0;
    qint64 firstByteAfter = 0;
    qint64 lastArrivalAt = 0;
    qint64 longestPause = 0;
};
