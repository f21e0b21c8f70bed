// Linux: the directory from /proc/self/exe (through Qt), and posix_spawn.
#include "NativeDesktop.h"

#include <QCoreApplication>
#include <QFile>

#include <spawn.h>

#include <vector>

extern char **environ;

QByteArray native::applicationDirectory() {
    // On Linux this comes from /proc/self/exe, so a launcher started through a symbolic link
    // still names the directory of the real executable.
    return QFile::encodeName(QCoreApplication::applicationDirPath());
}

bool native::startProcess(const QByteArray &program, const QList<QByteArray> &arguments) {
    // posix_spawn rather than QProcess: the arguments are the registry's bytes, which need not be
    // valid UTF-8, and QProcess would re-encode them. No shell is involved either way.
    std::vector<QByteArray> storage;
    storage.reserve(arguments.size() + 1);
    storage.push_back(program);
    for (const QByteArray &argument : arguments)
        storage.push_back(argument);
    std::vector<char *> argv;
    argv.reserve(storage.size() + 1);
    for (QByteArray &word : storage)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    // glibc reports a failed exec (missing file, not executable) as posix_spawn's result.
    return posix_spawn(&pid, storage.front().constData(), nullptr, nullptr, argv.data(), environ) ==
           0;
}
