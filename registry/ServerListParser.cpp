#include "ServerListParser.h"

#include <cstring>

namespace {

constexpr char RecordEnd = 0x04;
using Seeking = ParsePosition::Seeking;

// Position of the first `marker` in reply[from, end), or -1.
qsizetype find(QByteArrayView reply, qsizetype from, char marker) {
    // An empty view may have no data at all, which memchr must not be given.
    if (from >= reply.size())
        return -1;
    const char *begin = reply.data();
    const void *at = std::memchr(begin + from, marker, static_cast<size_t>(reply.size() - from));
    return at ? static_cast<const char *>(at) - begin : -1;
}

Seeking nextNul(Seeking nul) {
    return static_cast<Seeking>(static_cast<quint8>(nul) + 1);
}

// The text that starts at `at` and ends at the next NUL, which a parsed record always has.
QByteArrayView textAt(QByteArrayView reply, qsizetype at) {
    return reply.sliced(at, find(reply, at, '\0') - at);
}

} // namespace

ParsePosition parseRecords(QByteArrayView reply, ParsePosition p, bool replyOver,
                           QList<quint32> &starts) {
    const qsizetype end = reply.size();
    if (p.seeking == Seeking::LeadEnd) {
        if (const qsizetype leadEnd = find(reply, p.searched, RecordEnd); leadEnd >= 0) {
            p.record = p.searched = leadEnd + 1;
        } else if (replyOver) {
            // No leading part at all: the records start at the first byte.
            p.record = p.searched = 0;
        } else {
            p.searched = end;
            return p;
        }
        p.seeking = Seeking::Nul1;
    }

    for (;;) {
        if (p.seeking != Seeking::RecordEnd) {
            // A record begins only where bytes remain; until then the reply may simply go on.
            if (p.seeking == Seeking::Nul1 && p.record == end)
                return p;
            const qsizetype nul = find(reply, p.searched, '\0');
            if (nul < 0) {
                p.searched = end;
                return p;
            }
            p.searched = nul + 1;
            if (p.seeking == Seeking::Nul4)
                p.unread = p.searched;
            p.seeking = nextNul(p.seeking);
            continue;
        }
        // The unread byte and the tileset byte.
        if (end - p.unread < 2)
            return p;
        // The search starts at the unread byte, so that byte and the tileset byte can both be the
        // record's end.
        qsizetype next = -1;
        if (p.recordEndsLeft) {
            if (const qsizetype recordEnd = find(reply, p.searched, RecordEnd); recordEnd >= 0)
                next = recordEnd + 1;
            else if (!replyOver) {
                p.searched = end;
                return p;
            } else {
                // Once a search for the record end has come up empty, no later one can succeed;
                // remembering that keeps such a reply linear instead of quadratic.
                p.recordEndsLeft = false;
            }
        }
        if (next < 0)
            next = p.unread;
        starts.append(static_cast<quint32>(p.record));
        p.record = p.searched = next;
        p.seeking = Seeking::Nul1;
    }
}

ServerEntry readRecord(QByteArrayView reply, qsizetype start) {
    ServerEntry entry;
    qsizetype at = start;
    for (QByteArray *text : {&entry.Address, &entry.Port, &entry.Name, &entry.Description}) {
        const QByteArrayView view = textAt(reply, at);
        *text = view.toByteArray();
        at += view.size() + 1;
    }
    entry.Tileset = static_cast<quint8>(reply[at + 1]);
    return entry;
}

QByteArrayView recordName(QByteArrayView reply, qsizetype start) {
    const qsizetype port = find(reply, start, '\0') + 1;
    return textAt(reply, find(reply, port, '\0') + 1);
}

std::vector<ServerEntry> parseServerList(QByteArrayView reply) {
    QList<quint32> starts;
    parseRecords(reply, {}, true, starts);
    std::vector<ServerEntry> entries;
    entries.reserve(static_cast<size_t>(starts.size()));
    for (const quint32 start : std::as_const(starts))
        entries.push_back(readRecord(reply, start));
    return entries;
}
