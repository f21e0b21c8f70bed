// libFuzzer target over everything the registry's reply bytes reach: the parser, whole and byte by
// byte, the entries, the texts the window shows, and the command line the client would be started
// with. Each input is a reply, and also a plan of arrivals for the registry conversation; any
// broken invariant aborts, so the fuzzer keeps the input as a crash.
#include "ClientLaunch.h"
#include "DisplayText.h"
#include "ServerListParser.h"
#include "check.h"
#include "query_arrivals.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Where the record's four texts, the unread byte and `tileset` sit in the reply, searching from
// `from`; -1 if they are not there. The parser never copies or invents bytes, so a record it
// returns must be found verbatim.
qsizetype findRecord(QByteArrayView reply, const ServerEntry &e, qsizetype from) {
    const QByteArray texts =
        e.Address + '\0' + e.Port + '\0' + e.Name + '\0' + e.Description + '\0';
    for (qsizetype at = reply.indexOf(texts, from); at >= 0; at = reply.indexOf(texts, at + 1)) {
        const qsizetype tileset = at + texts.size() + 1;
        if (tileset < reply.size() && static_cast<quint8>(reply[tileset]) == e.Tileset)
            return at;
    }
    return -1;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Every word must be a maximal blank-free run of `line`, and the words must follow each other.
void checkWordsAreRuns(QByteArrayView line, const QList<QByteArray> &words) {
    qsizetype from = 0;
    for (const QByteArray &word : words) {
        check(!word.isEmpty(), "empty argument");
        check(std::none_of(word.begin(), word.end(), isBlank), "argument holds a blank");
        const qsizetype at = line.indexOf(word, from);
        check(at >= 0, "argument is not part of the command line");
        check(at == 0 || isBlank(line[at - 1]), "argument starts inside a word");
        const qsizetype end = at + word.size();
        check(end == line.size() || isBlank(line[end]), "argument ends inside a word");
        for (qsizetype i = from; i < at; ++i)
            check(isBlank(line[i]), "a word was dropped between arguments");
        from = end;
    }
    for (qsizetype i = from; i < line.size(); ++i)
        check(isBlank(line[i]), "a word was dropped at the end");
}

void checkDisplayText(const QByteArray &bytes) {
    const QString text = displayText(bytes);
    check(text.size() == bytes.size(), "display text is not one character per byte");
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const char16_t shown = text[i].unicode();
        check(!QChar::isSurrogate(shown), "display text holds a lone surrogate");
        if (byte < 0x80 || byte >= 0xA0)
            check(shown == byte, "byte outside 0x80-0x9F is not shown as itself");
        else
            check(shown >= 0x80, "byte 0x80-0x9F shown as ASCII");
    }
}

void checkClientLaunch(const ServerEntry &e) {
    // A directory with a blank in it: it must still reach the system whole.
    static const QByteArray directory = "/opt/brel gan";
    const QByteArray tileset = QByteArray::number(e.Tileset);

    const ProcessStart start = clientLaunchFor(directory, e);
    check(start.program == directory + "/brelgan.bin", "program is not the client beside us");
    check(start.argumentLine == e.Address + ' ' + e.Port + ' ' + tileset,
          "argument line differs from its parts");
    checkWordsAreRuns(start.argumentLine, start.arguments);
    check(!start.arguments.isEmpty() && start.arguments.back() == tileset,
          "the tileset is not the last argument");
    for (const QByteArray &argument : start.arguments)
        check(!argument.contains('\0'), "argument holds a NUL");
}

// Byte by byte, the parse lists a prefix of the whole reply's records as each one's end arrives,
// and once the reply is over, exactly them.
void checkByteByByte(QByteArrayView reply) {
    QList<quint32> whole;
    parseRecords(reply, {}, true, whole);
    QList<quint32> starts;
    ParsePosition at;
    for (qsizetype size = 0; size <= reply.size(); ++size) {
        const qsizetype before = starts.size();
        at = parseRecords(reply.first(size), at, false, starts);
        check(starts.size() <= whole.size(), "more records while arriving than in the whole reply");
        for (qsizetype i = before; i < starts.size(); ++i)
            check(starts[i] == whole[i], "a record while arriving is not the whole reply's");
    }
    parseRecords(reply, at, true, starts);
    check(starts == whole, "the records at the end differ from the whole reply's");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size) {
    const QByteArrayView reply(data, qsizetype(size));
    const std::vector<ServerEntry> entries = parseServerList(reply);

    check(qsizetype(entries.size()) <= reply.count('\0') / 4, "more entries than the NULs allow");

    qsizetype from = 0;
    for (const ServerEntry &e : entries) {
        for (const QByteArray *text : {&e.Address, &e.Port, &e.Name, &e.Description}) {
            check(!text->contains('\0'), "a text holds a NUL");
            checkDisplayText(*text);
        }
        const qsizetype at = findRecord(reply, e, from);
        check(at >= 0, "entry is not a whole record of the reply, in order");
        // The next record starts after this one's last NUL at the earliest.
        from = at + e.Address.size() + e.Port.size() + e.Name.size() + e.Description.size() + 4;
        checkClientLaunch(e);
    }
    checkByteByByte(reply);
    fuzzQueryArrivals(data, size);
    return 0;
}
