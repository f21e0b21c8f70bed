// The replies of a hostile or broken registry, shared by the window-level test (through a loopback
// server in the test) and the end-to-end scenarios (through the stand-in registry's --raw), so both
// layers see exactly the same bytes.
#pragma once

#include "Replies.h"
#include "ServerEntry.h"
#include "ServerListParser.h"

#include <QByteArray>
#include <QList>

#include <vector>

namespace hostile {

struct Reply {
    QByteArray bytes;
    // The whole records in `bytes`, in order: what a launcher that received all of it lists.
    std::vector<ServerEntry> records;
};

inline ServerEntry entry(const QByteArray &address, const QByteArray &port, const QByteArray &name,
                         const QByteArray &description, quint8 tileset) {
    return {address.toStdString(), port.toStdString(), name.toStdString(),
            description.toStdString(), tileset};
}

inline void add(Reply &reply, const ServerEntry &e) {
    auto bytes = [](const std::string &s) { return QByteArray(s.data(), qsizetype(s.size())); };
    reply.bytes += replies::record(bytes(e.Address), bytes(e.Port), bytes(e.Name),
                                   bytes(e.Description), e.Tileset);
    reply.records.push_back(e);
}

inline Reply withLead() {
    return {replies::lead(), {}};
}

// Three small records: enough for a cut or a reset to land inside one of them.
inline Reply threeRecords() {
    Reply reply = withLead();
    add(reply, entry("10.0.0.5", "5000", "Ashmere", "Fens and reeds", 2));
    add(reply, entry("10.0.0.6", "5001", "Brack", "Hills", 12));
    add(reply, entry("10.0.0.7", "5002", "Corrow", "Coast", 0));
    return reply;
}

// Two whole records and the first half of a third.
inline Reply cutInRecord() {
    Reply reply = threeRecords();
    reply.records.pop_back();
    const QByteArray third = replies::record("10.0.0.7", "5002", "Corrow", "Coast", 0);
    reply.bytes.chop(third.size() - third.size() / 2);
    return reply;
}

// Bytes from a fixed-seed generator, NULs and 0x04 included.
inline QByteArray garbage(qsizetype size) {
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

// At least 16 MiB of well-formed records.
inline Reply huge() {
    Reply reply = withLead();
    const QByteArray description(1000, 'd');
    for (int i = 0; reply.bytes.size() < 16 * 1024 * 1024; ++i)
        add(reply, entry("10.1." + QByteArray::number(i / 256) + '.' + QByteArray::number(i % 256),
                         "5000", "Server " + QByteArray::number(i), description, quint8(i)));
    return reply;
}

// A name and a description of 1 MiB each, then an ordinary record.
inline Reply bigTexts() {
    Reply reply = withLead();
    add(reply, entry("10.0.0.8", "5000", QByteArray(1 << 20, 'N'), QByteArray(1 << 20, 'D'), 3));
    add(reply, entry("10.0.0.9", "5001", "After", "the big one", 4));
    return reply;
}

// Every control character but NUL, and every byte from 0x80 to 0xFF, in each text that can hold
// them. The address and port stay blank-free, so each must reach the client as one argument.
inline Reply controlTexts() {
    QByteArray controls;
    for (int b = 0x01; b < 0x20; ++b)
        if (b != ' ' && b != '\t')
            controls += char(b);
    controls += '\x7F';
    QByteArray high;
    for (int b = 0x80; b <= 0xFF; ++b)
        high += char(b);
    Reply reply = withLead();
    add(reply,
        entry(controls + high, high + controls, controls + high, high + "\r\n" + controls, 0xFF));
    add(reply, entry("10.0.0.10", "5000", "\x1b[31mred\x1b[0m", "tab\there\nline", 0x80));
    return reply;
}

// The scenarios by the names the end-to-end table uses.
inline Reply byName(const QByteArray &name) {
    if (name == "garbage") {
        // Which records garbage holds is the parser's business, tested on its own; here only
        // that all of it arrives and is listed.
        const QByteArray bytes = garbage(4096);
        return {bytes, parseServerList(std::string_view(bytes.constData(), size_t(bytes.size())))};
    }
    if (name == "huge")
        return huge();
    if (name == "drip" || name == "whole")
        return threeRecords();
    if (name == "cut" || name == "reset")
        return cutInRecord();
    if (name == "big-texts")
        return bigTexts();
    if (name == "control-texts")
        return controlTexts();
    return {};
}

} // namespace hostile
