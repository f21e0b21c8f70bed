// Linux: the directory from /proc/self/exe (through Qt), and posix_spawn.
#include "NativeDesktop.h"

#include <QCoreApplication>
#include <QFile>

#include <signal.h>
#include <spawn.h>

#include <vector>

extern char **environ;

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

    // The launcher ignores SIGPIPE (Qt's network code sets that up) and may block signals; a
    // child inherits both through exec, and a game client that ignores SIGPIPE or never sees a
    // blocked signal misbehaves in ways nobody would trace back here. It starts clean instead.
    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0)
        return false;
    sigset_t all;
    sigfillset(&all);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes,
                             static_cast<short>(POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK));

    pid_t pid = 0;
    // glibc reports a failed exec (missing file, not executable) as posix_spawn's result.
    const int result =
        posix_spawn(&pid, storage.front().constData(), nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    return result == 0;
}
