// Writes a hostile registry's reply by name to stdout, for the stand-in registry's --raw. With
// --client-argv it writes instead what the game client must receive for the first record: its
// arguments, each ended by NUL, as the stand-in client records them.
#include "hostile_replies.h"

#include <cstdio>
#include <cstring>

int main(int argc, char **argv) {
    const bool clientArgv = argc == 3 && std::strcmp(argv[2], "--client-argv") == 0;
    if (argc != 2 && !clientArgv) {
        std::fprintf(stderr, "usage: hostile-reply NAME [--client-argv]\n");
        return 2;
    }
    const HostileReply reply = hostileReply(argv[1]);
    if (reply.bytes.isEmpty() || (clientArgv && reply.records.isEmpty())) {
        std::fprintf(stderr, "hostile-reply: no scenario \"%s\"\n", argv[1]);
        return 2;
    }
    QByteArray out = reply.bytes;
    if (clientArgv) {
        const DevServer &first = reply.records.front();
        out = first.address + '\0' + first.port + '\0' + QByteArray::number(first.tileset) + '\0';
    }
    return std::fwrite(out.constData(), 1, size_t(out.size()), stdout) == size_t(out.size()) ? 0
                                                                                             : 1;
}
