// When the registry's reply counts as read. The reply carries no length and no count, and a
// remote registry's bytes arrive in pieces: one flight of TCP segments per round trip, a trickle
// from a slow registry, or a pause while TCP recovers a lost segment. So the reading goes on, with
// every whole record listed as it comes, until the reply is whole or plainly will not become whole.
#pragma once

#include <QByteArrayView>
#include <QtGlobal>

struct ReadingLimits {
    // Far above any real list; past it the reading stops, so memory stays bounded whatever the
    // registry sends.
    qsizetype maxBytes = qsizetype(64) * 1024 * 1024;
    // Bytes that do not end where a reply can end, and stay quiet this long, have stopped.
    qint64 stallMs = 5000;
    // The quiet time after bytes that end like a whole reply: never shorter, never longer.
    qint64 minQuietMs = 1000;
    qint64 maxQuietMs = 5000;
};

class ReplyReader {
public:
    explicit ReplyReader(ReadingLimits limits = {}) : limits(limits) {}

    // Times are milliseconds of one monotonic clock.
    void requestSent(qint64 now) { requestedAt = now; }
    // Notes a piece, in arrival order, and returns the part of it that fits under the size cap.
    QByteArrayView arrived(QByteArrayView bytes, qint64 now);

    bool isEmpty() const { return size == 0; }
    bool isFull() const { return size >= limits.maxBytes; }

    // How long after the last piece the reply counts as read if nothing more arrives.
    //
    // A whole reply ends with 0x04 (the end of its leading part or of its last record), but so
    // does a reply that stops after any record, so the end byte alone proves nothing. A pause
    // after it is the reply's end only once it is longer than anything this connection could
    // still deliver. The next flight comes about one round trip after the last; the first byte
    // came one round trip plus the registry's own work after the request; a slow registry shows
    // its pace in the pauses between its pieces. And one lost segment holds back everything
    // behind it until TCP resends it: a tail-loss probe after about two round trips, or the
    // retransmission timeout, at least 200 ms on Linux and 300 ms on older systems, doubled if the
    // resent segment is lost too. So: three times the time to the first byte, twice the longest
    // pause so far, and never under a second; at most five seconds, since every record that came
    // is listed meanwhile and only the acknowledgement waits. Bytes that do not end in 0x04 are
    // surely not a whole reply and get the stall time.
    qint64 quietTime() const;

private:
    ReadingLimits limits;
    qsizetype size = 0;
    bool endsLikeReply = false;
    qint64 requestedAt = 0;
    qint64 firstByteAfter = 0;
    qint64 lastArrivalAt = 0;
    qint64 longestPause = 0;
};
