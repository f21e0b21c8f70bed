// Linux: the directory from /proc/self/exe (through Qt), and posix_spawn.
#include "NativeDesktop.h"

#include <QCoreApplication>
#include <QFile>

#include <signal.h>
#include <spawn.h>

#include <vector>

extern char **environ;

namespace {

// Qt's network code sets SIGPIPE to ignored for good once it uses sockets (Qt 6.4 on the first
// write), and the client should not inherit that; but a launcher started with SIGPIPE ignored
// passes that on like anything else it was started with. So the disposition is read during static
// initialisation, before main and any socket, and not when the client starts, by which time the
// request to the registry has long been written.
const bool startedIgnoringSigpipe = [] {
    struct sigaction action {};
    return sigaction(SIGPIPE, nullptr, &action) == 0 && action.sa_handler == SIG_IGN;
}();

} // namespace

QByteArray native::applicationDirectory() {
    // On Linux this comes from /proc/self/exe, so a launcher started through a symbolic link
    // still names the directory of the real executable.
    return QFile::encodeName(QCoreApplication::applicationDirPath());
}

bool native::startProcess(const ProcessStart &start) {
    // posix_spawn rather than QProcess: the arguments are the registry's bytes, which need not be
    // valid UTF-8, and QProcess would re-encode them. No shell is involved either way.
    std::vector<QByteArray> storage;
    storage.reserve(start.arguments.size() + 1);
    storage.push_back(start.program);
    for (const QByteArray &argument : start.arguments)
        storage.push_back(argument);
    std::vector<char *> argv;
    argv.reserve(storage.size() + 1);
    for (QByteArray &word : storage)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    // The client gets the signal state the launcher was given: whoever started the launcher
    // under nohup, or with a signal blocked, meant the game too. Only what the launcher changed
    // itself is put back: a client that ignores SIGPIPE because Qt's network code wanted that
    // here would misbehave in ways nobody would trace back to the launcher.
    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0)
        return false;
    if (!startedIgnoringSigpipe) {
        sigset_t sigpipe;
        sigemptyset(&sigpipe);
        sigaddset(&sigpipe, SIGPIPE);
        posix_spawnattr_setsigdefault(&attributes, &sigpipe);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    }

    pid_t pid = 0;
    // glibc reports a failed exec (missing file, not executable) as posix_spawn's result.
    const int result =
        posix_spawn(&pid, storage.front().constData(), nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    return result == 0;
}
