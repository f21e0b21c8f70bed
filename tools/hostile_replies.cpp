#include "hostile_replies.h"

namespace {

// Three small records: enough for a cut or a reset to land inside one of them.
QByteArray threeRecords() {
    return encodeServerList({{"10.0.0.5", "5000", "Ashmere", "Fens and reeds", 2},
                             {"10.0.0.6", "5001", "Brack", "Hills", 12},
                             {"10.0.0.7", "5002", "Corrow", "Coast", 0}});
}

// Two whole records and the first half of a third.
QByteArray cutInRecord() {
    QByteArray reply = threeRecords();
    const QByteArray third = encodeRecord({"10.0.0.7", "5002", "Corrow", "Coast", 0});
    reply.chop(third.size() - third.size() / 2);
    return reply;
}

// Bytes from a fixed-seed generator, NULs and 0x04 included.
QByteArray garbage(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 0x9E3779B9u;
    for (char &c : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        c = char(state >> 24);
    }
    return bytes;
}

// At least 16 MiB of well-formed records of about 1 KiB.
QByteArray huge() {
    QByteArray reply = replyLead();
    const QByteArray description(1000, 'd');
    for (int i = 0; reply.size() < 16 * 1024 * 1024; ++i)
        reply +=
            encodeRecord({"10.1." + QByteArray::number(i / 256) + '.' + QByteArray::number(i % 256),
                          "5000", "Server " + QByteArray::number(i), description, quint8(i)});
    return reply;
}

// Exactly 64 MiB, the most the launcher reads, of the smallest whole records: four empty texts, the
// unread byte and a tileset of 4, which ends the record too: 6 bytes each, 11 184 810 servers after
// the 4-byte lead, to weigh what a listed server costs beyond its bytes.
QByteArray smallestRecords() {
    const QByteArray record = encodeRecord({{}, {}, {}, {}, 4});
    QByteArray reply = replyLead();
    reply.reserve(64 * 1024 * 1024);
    while (reply.size() + record.size() <= 64 * 1024 * 1024)
        reply += record;
    return reply;
}

// A name and a description of 1 MiB each, then an ordinary record.
QByteArray bigTexts() {
    return encodeServerList(
        {{"10.0.0.8", "5000", QByteArray(1 << 20, 'N'), QByteArray(1 << 20, 'D'), 3},
         {"10.0.0.9", "5001", "After", "the big one", 4}});
}

// Every control character but NUL, and every byte from 0x80 to 0xFF, in each text that can hold
// them. The address and port stay blank-free, so each must reach the client as one argument.
QByteArray controlTexts() {
    QByteArray controls;
    for (int b = 0x01; b < 0x20; ++b)
        if (b != ' ' && b != '\t')
            controls += char(b);
    controls += '\x7F';
    QByteArray high;
    for (int b = 0x80; b <= 0xFF; ++b)
        high += char(b);
    return encodeServerList(
        {{controls + high, high + controls, controls + high, high + "\r\n" + controls, 0xFF},
         {"10.0.0.10", "5000", "\x1b[31mred\x1b[0m", "tab\there\nline", 0x80}});
}

// Named for the bytes, not for how a test means to deliver them: pace, cuts and resets are
// dev-registry's options, and any of them goes with any reply.
const struct {
    const char *name;
    QByteArray (*reply)();
} Scenarios[] = {
    {"three-records", threeRecords},
    {"cut-in-record", cutInRecord},
    {"garbage", [] { return garbage(4096); }},
    {"huge", huge},
    {"smallest-records-64mib", smallestRecords},
    {"big-texts", bigTexts},
    {"control-texts", controlTexts},
};

} // namespace

QByteArray hostileReply(const QByteArray &name) {
    for (const auto &scenario : Scenarios)
        if (name == scenario.name)
            return scenario.reply();
    return {};
}

QStringList hostileReplyNames() {
    QStringList names;
    for (const auto &scenario : Scenarios)
        names.append(QString::fromLatin1(scenario.name));
    return names;
}
