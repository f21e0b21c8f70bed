#include "ClientLaunch.h"

namespace {

constexpr char Separator = '/';

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// The blank-free runs of `text`, appended to `words`.
void appendWords(QList<QByteArray> &words, QByteArrayView text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        while (i < n && isBlank(text[i]))
            ++i;
        const qsizetype start = i;
        while (i < n && !isBlank(text[i]))
            ++i;
        if (i > start)
            words.append(text.sliced(start, i - start).toByteArray());
    }
}

} // namespace

ProcessStart clientLaunchFor(const QByteArray &applicationDirectory, const ServerEntry &server) {
    const QByteArray tileset = QByteArray::number(server.Tileset);
    ProcessStart start;
    // The directory is a path the system reported, not words: it is taken whole.
    start.program = applicationDirectory;
    if (!start.program.endsWith(Separator))
        start.program += Separator;
    start.program += ClientFileName;
    // The blanks between the three texts separate words too, so splitting each text alone gives
    // the words of the whole line.
    appendWords(start.arguments, server.Address);
    appendWords(start.arguments, server.Port);
    start.arguments.append(tileset);
    start.argumentLine = server.Address + ' ' + server.Port + ' ' + tileset;
    return start;
}
