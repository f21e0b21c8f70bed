#include "ServerTable.h"

#include <cstring>
#include <limits>

qint32 ServerTable::append(QByteArrayView bytes) {
    // Records are found by their offsets in four bytes; the reading caps the reply far below.
    Q_ASSERT(reply.size() + bytes.size() <= std::numeric_limits<quint32>::max());
    // Not append(): Qt 6.4 inserts, which copies a growing reply into a new block, so at 64 MiB the
    // reply would be held twice at once. A resize grows the block in place where it can.
    const qsizetype at = reply.size();
    reply.resize(at + bytes.size());
    if (!bytes.isEmpty())
        std::memcpy(reply.data() + at, bytes.data(), static_cast<size_t>(bytes.size()));
    return parse(false);
}

qint32 ServerTable::replyOver() {
    return parse(true);
}

qint32 ServerTable::parse(bool over) {
    const qint32 before = serverCount();
    parsed = parseRecords(reply, parsed, over, starts);
    return serverCount() - before;
}
