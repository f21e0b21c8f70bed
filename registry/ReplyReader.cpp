#include "ReplyReader.h"

#include <algorithm>

void ReplyReader::arrived(QByteArrayView bytes, qint64 now) {
    if (bytes.isEmpty())
        return;
    if (reply.isEmpty())
        firstByteAfter = now - requestedAt;
    else
        longestPause = std::max(longestPause, now - lastArrivalAt);
    lastArrivalAt = now;
    reply.append(bytes.first(std::min(bytes.size(), limits.maxBytes - reply.size())));
}

qint64 ReplyReader::quietTime() const {
    if (!reply.endsWith('\x04'))
        return limits.stallMs;
    return std::min(2 * std::max(firstByteAfter, longestPause) + limits.noiseMs,
                    limits.maxSettleMs);
}
