#include "ReplyReader.h"

#include <algorithm>

QByteArrayView ReplyReader::arrived(QByteArrayView bytes, qint64 now) {
    bytes = bytes.first(std::min(bytes.size(), limits.maxBytes - size));
    if (bytes.isEmpty())
        return bytes;
    if (size == 0)
        firstByteAfter = now - requestedAt;
    else
        longestPause = std::max(longestPause, now - lastArrivalAt);
    lastArrivalAt = now;
    size += bytes.size();
    endsLikeReply = bytes.back() == '\x04';
    return bytes;
}

qint64 ReplyReader::quietTime() const {
    if (!endsLikeReply)
        return limits.stallMs;
    return std::clamp(std::max(3 * firstByteAfter, 2 * longestPause), limits.minQuietMs,
                      limits.maxQuietMs);
}
