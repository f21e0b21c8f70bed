#include "sample_reply.h"

QByteArray replyLead() {
    return QByteArrayLiteral("REG\x04");
}

QByteArray encodeRecord(const ServerEntry &server) {
    QByteArray record;
    for (const QByteArray *field :
         {&server.Address, &server.Port, &server.Name, &server.Description})
        record += *field + '\0';
    // 0x01 is the unread byte before the tileset.
    record += '\x01';
    record += char(server.Tileset);
    // The reader ends a record at the first 0x04 from the unread byte on, so a tileset of 4 ends
    // it already; another 0x04 would read as an empty record.
    if (server.Tileset != 4)
        record += '\x04';
    return record;
}

QByteArray encodeServerList(const QList<ServerEntry> &servers) {
    QByteArray reply = replyLead();
    for (const ServerEntry &server : servers)
        reply += encodeRecord(server);
    return reply;
}

QList<ServerEntry> sampleServers() {
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
