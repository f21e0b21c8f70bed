// libFuzzer target over everything the registry's reply bytes reach: the parser, the entries, the
// texts the window shows, and the command line the client would be started with. Each input is a
// reply, and also a plan of arrivals for the registry conversation; any broken invariant aborts, so
// the fuzzer keeps the input as a crash.
#include "ClientLaunch.h"
#include "DisplayText.h"
#include "ServerListParser.h"
#include "query_arrivals.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

void check(bool ok, const char *what) {
    if (ok)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

// Where the record's four texts, the skipped byte and `tileset` sit in the reply, searching from
// `from`; npos if they are not there. The parser never copies or invents bytes, so a record it
// returns must be found verbatim.
size_t findRecord(std::string_view reply, const ServerEntry &e, size_t from) {
    std::string texts = e.Address;
    for (const std::string *text : {&e.Port, &e.Name, &e.Description}) {
        texts += '\0';
        texts += *text;
    }
    texts += '\0';
    for (size_t at = reply.find(texts, from); at != std::string_view::npos;
         at = reply.find(texts, at + 1)) {
        const size_t tileset = at + texts.size() + 1;
        if (tileset < reply.size() && static_cast<std::uint8_t>(reply[tileset]) == e.Tileset)
            return at;
    }
    return std::string_view::npos;
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

void checkDisplayText(const std::string &bytes) {
    const QString text = displayText(bytes);
    check(text.size() == qsizetype(bytes.size()), "display text is not one character per byte");
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const char16_t shown = text[qsizetype(i)].unicode();
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

    const QByteArray line = joinClientCommandLine(directory, '/', e);
    const QByteArray expected = directory + "/brelgan.bin " +
                                QByteArray(e.Address.data(), qsizetype(e.Address.size())) + ' ' +
                                QByteArray(e.Port.data(), qsizetype(e.Port.size())) + ' ' + tileset;
    check(line == expected, "joined command line differs from its parts");
    checkWordsAreRuns(line, splitOnBlanks(line));

    const ClientLaunch launch = clientLaunchFor(directory, e);
    check(launch.program == directory + "/brelgan.bin", "program is not the client beside us");
    const QByteArrayView afterProgram = QByteArrayView(line).sliced(launch.program.size());
    checkWordsAreRuns(afterProgram, launch.arguments);
    check(!launch.arguments.isEmpty() && launch.arguments.back() == tileset,
          "the tileset is not the last argument");
    for (const QByteArray &argument : launch.arguments)
        check(!argument.contains('\0'), "argument holds a NUL");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size) {
    const std::string_view reply(reinterpret_cast<const char *>(data), size);
    const std::vector<ServerEntry> entries = parseServerList(reply);

    const auto nuls = static_cast<size_t>(std::count(reply.begin(), reply.end(), '\0'));
    check(entries.size() <= nuls / 4, "more entries than the NULs allow");

    size_t from = 0;
    for (const ServerEntry &e : entries) {
        for (const std::string *text : {&e.Address, &e.Port, &e.Name, &e.Description}) {
            check(text->find('\0') == std::string::npos, "a text holds a NUL");
            checkDisplayText(*text);
        }
        const size_t at = findRecord(reply, e, from);
        check(at != std::string_view::npos, "entry is not a whole record of the reply, in order");
        // The next record starts after this one's last NUL at the earliest.
        from = at + e.Address.size() + e.Port.size() + e.Name.size() + e.Description.size() + 4;
        checkClientLaunch(e);
    }
    fuzzQueryArrivals(data, size);
    return 0;
}
