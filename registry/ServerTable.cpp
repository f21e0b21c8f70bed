#include "ServerTable.h"

#include <limits>

qint32 ServerTable::append(QByteArrayView bytes) {
    // Records are found by their offsets in four bytes; the reading caps the reply far below.
    Q_ASSERT(reply.size() + bytes.size() <= std::numeric_limits<quint32>::max());
    reply.append(bytes);
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
