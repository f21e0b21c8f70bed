#include "ServerListParser.h"

#include <array>
#include <cstring>

namespace {

constexpr char RecordEnd = 0x04;

// Position of the first `marker` in [from, end), or nullptr.
const char *find(const char *from, const char *end, char marker) {
    return static_cast<const char *>(std::memchr(from, marker, static_cast<size_t>(end - from)));
}

} // namespace

std::vector<ServerEntry> parseServerList(QByteArrayView reply) {
    std::vector<ServerEntry> entries;
    const char *at = reply.data();
    const char *const end = at + reply.size();
    if (reply.isEmpty())
        return entries;

    if (const char *leadEnd = find(at, end, RecordEnd))
        at = leadEnd + 1;

    // Once a search for the record end has come up empty, no later one can succeed; remembering
    // that keeps a reply without further 0x04 bytes linear instead of quadratic.
    bool recordEndsLeft = true;

    while (at != end) {
        ServerEntry entry;
        const std::array<QByteArray *, 4> texts = {&entry.Address, &entry.Port, &entry.Name,
                                                   &entry.Description};
        for (QByteArray *text : texts) {
            const char *nul = find(at, end, '\0');
            if (!nul)
                return entries;
            *text = QByteArray(at, nul - at);
            at = nul + 1;
        }
        if (end - at < 2)
            return entries;
        entry.Tileset = static_cast<quint8>(at[1]);

        // The search starts at the unread byte, so that byte and the tileset byte can both be
        // the record's end.
        if (recordEndsLeft) {
            if (const char *recordEnd = find(at, end, RecordEnd))
                at = recordEnd + 1;
            else
                recordEndsLeft = false;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}
