// Writes a hostile scenario's reply bytes to stdout, for the stand-in registry's --raw. With
// --client-argv it writes instead what the game client must receive for the first listed record:
// its arguments, each ended by NUL, as the stand-in client records them.
#include "HostileReplies.h"

#include <cstdio>
#include <cstring>

int main(int argc, char **argv) {
    const bool clientArgv = argc == 3 && std::strcmp(argv[2], "--client-argv") == 0;
    if (argc != 2 && !clientArgv) {
        std::fprintf(stderr, "usage: hostile-reply SCENARIO [--client-argv]\n");
        return 2;
    }
    const hostile::Reply reply = hostile::byName(argv[1]);
    if (reply.bytes.isEmpty()) {
        std::fprintf(stderr, "hostile-reply: no scenario \"%s\"\n", argv[1]);
        return 2;
    }
    QByteArray out = reply.bytes;
    if (clientArgv) {
        if (reply.records.empty())
            return 2;
        const ServerEntry &first = reply.records.front();
        out = QByteArray::fromStdString(first.Address) + '\0' +
              QByteArray::fromStdString(first.Port) + '\0' + QByteArray::number(first.Tileset) +
              '\0';
    }
    return std::fwrite(out.constData(), 1, size_t(out.size()), stdout) == size_t(out.size()) ? 0
                                                                                             : 1;
}
