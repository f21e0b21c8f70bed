#include "ClientLaunch.h"

namespace {

constexpr char Separator = '/';

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArray withSeparator(const QByteArray &directory) {
    if (directory.endsWith(Separator))
        return directory;
    return directory + Separator;
}

} // namespace

QByteArray joinClientCommandLine(const QByteArray &applicationDirectory, char separator,
                                 const ServerEntry &server) {
    QByteArray line = applicationDirectory;
    line += separator;
    line += ClientFileName;
    line += ' ';
    line.append(server.Address.data(), static_cast<qsizetype>(server.Address.size()));
    line += ' ';
    line.append(server.Port.data(), static_cast<qsizetype>(server.Port.size()));
    line += ' ';
    line += QByteArray::number(server.Tileset);
    return line;
}

QList<QByteArray> splitOnBlanks(QByteArrayView line) {
    QList<QByteArray> words;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n) {
        while (i < n && isBlank(line[i]))
            ++i;
        const qsizetype start = i;
        while (i < n && !isBlank(line[i]))
            ++i;
        if (i > start)
            words.append(line.sliced(start, i - start).toByteArray());
    }
    return words;
}

ClientLaunch clientLaunchFor(const QByteArray &applicationDirectory, const ServerEntry &server) {
    // The directory is a path the system reported, not words: it is taken whole, and only what
    // follows the program on the joined line is split.
    const QByteArray line = joinClientCommandLine(applicationDirectory, Separator, server);
    const qsizetype programEnd =
        applicationDirectory.size() + 1 + qsizetype(sizeof ClientFileName) - 1;
    return {withSeparator(applicationDirectory) + ClientFileName,
            splitOnBlanks(QByteArrayView(line).sliced(programEnd))};
}
