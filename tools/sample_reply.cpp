// Encoding of the registry's list reply and parsing of --servers files for the dev registry.
#include "sample_reply.h"

namespace {

constexpr char recordEnd = '\x04';
constexpr char unreadByte = '\x01';
constexpr int fieldsPerLine = 5;

bool isDecimal(const QByteArray &text) {
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

std::optional<quint8> parseTileset(const QByteArray &text) {
    // Limit the length first so huge digit strings cannot overflow before the range check.
    if (!isDecimal(text) || text.size() > 3)
        return std::nullopt;
    const uint value = text.toUInt();
    if (value > 255)
        return std::nullopt;
    return static_cast<quint8>(value);
}

void setError(QString *error, qsizetype lineNumber, const QString &message) {
    if (error)
        *error = QStringLiteral("line %1: %2").arg(lineNumber).arg(message);
}

} // namespace

QByteArray replyLead() {
    QByteArray lead("REG");
    lead.append(recordEnd);
    return lead;
}

QByteArray encodeRecord(const DevServer &server) {
    QByteArray record;
    for (const QByteArray *field :
         {&server.address, &server.port, &server.name, &server.description}) {
        record.append(*field);
        record.append('\0');
    }
    record.append(unreadByte);
    record.append(static_cast<char>(server.tileset));
    // The reader stops a record at the first 0x04 after the unread byte, so a tileset of 4
    // already terminates it; another 0x04 would read as an empty record.
    if (server.tileset != static_cast<quint8>(recordEnd))
        record.append(recordEnd);
    return record;
}

QByteArray encodeServerList(const QList<DevServer> &servers) {
    QByteArray reply = replyLead();
    for (const DevServer &server : servers)
        reply.append(encodeRecord(server));
    return reply;
}

QList<DevServer> sampleServers() {
    return {
        {"127.0.0.1", "7000", "Ashmere",
         "A quiet realm of fens and drifting fog. Friendly to newcomers, with guides online "
         "most evenings.",
         0},
        {"play.example.org", "7001", "Cinderfall",
         "Volcanic frontier with open combat everywhere outside the walled towns.", 2},
        {"eu.example.net", "7000", "Hollowmere",
         "Long-running roleplay server. Please keep names in character.", 7},
        {"192.0.2.15", "7100", "Thornwick",
         "Fresh world, reset every season. Trading posts open at dawn.", 12},
        {"localhost", "7002", "Vel Tarun",
         "Test shard for upcoming tiles; expect restarts without notice.", 255},
    };
}

std::optional<QList<DevServer>> readServerFile(const QByteArray &text, QString *error) {
    QList<DevServer> servers;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const qsizetype lineNumber = index + 1;
        QByteArray line = lines[index];
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;

        // A NUL inside a field would split it into two fields on the wire.
        if (line.contains('\0')) {
            setError(error, lineNumber, QStringLiteral("contains a NUL byte"));
            return std::nullopt;
        }
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() != fieldsPerLine) {
            setError(error, lineNumber,
                     QStringLiteral("expected %1 TAB-separated fields (address, port, name, "
                                    "description, tileset), found %2")
                         .arg(fieldsPerLine)
                         .arg(fields.size()));
            return std::nullopt;
        }
        const std::optional<quint8> tileset = parseTileset(fields[4]);
        if (!tileset) {
            setError(error, lineNumber,
                     QStringLiteral("tileset \"%1\" is not a decimal number from 0 to 255")
                         .arg(QString::fromUtf8(fields[4])));
            return std::nullopt;
        }
        servers.append({fields[0], fields[1], fields[2], fields[3], *tileset});
    }
    return servers;
}
