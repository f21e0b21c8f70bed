// Writes COUNT realistic servers (realistic_servers.h) to FILE, one a line as dev-registry
// --servers reads them. A benchmark that weighs its own memory, and scripts/bench measuring the
// launcher, have them served this way instead of building them in the process they measure.
#include "realistic_servers.h"

#include <QFile>

#include <cstdio>

int main(int argc, char *argv[]) {
    bool ok = false;
    const int count = argc == 3 ? QByteArray(argv[1]).toInt(&ok) : -1;
    QFile file(QString::fromLocal8Bit(argc == 3 ? argv[2] : ""));
    if (!ok || count < 0 || !file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "usage: realistic-servers COUNT FILE\n");
        return 2;
    }
    for (const ServerEntry &server : realisticServers(count))
        file.write(server.Address + '\t' + server.Port + '\t' + server.Name + '\t' +
                   server.Description + '\t' + QByteArray::number(server.Tileset) + '\n');
    return file.flush() ? 0 : 1;
}
