#include "DesktopPlatform.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

#include <signal.h>
#include <spawn.h>

#include <vector>

extern char **environ;

namespace {

// The box belongs over the launcher's window even when another program has the focus, as when
// the registry fails while the user looks elsewhere.
QWidget *messageParent() {
    if (QWidget *active = QApplication::activeWindow())
        return active;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isVisible())
            return window;
    }
    return nullptr;
}

} // namespace

void DesktopPlatform::showMessage(const QString &text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Brelgan"), text, QMessageBox::Ok,
                    messageParent());
    box.setWindowModality(Qt::ApplicationModal);
    // Some desktop themes put a picture on dialog buttons; this box carries none at all.
    box.button(QMessageBox::Ok)->setIcon(QIcon());
    box.exec();
}

void DesktopPlatform::runPendingEvents() {
    QCoreApplication::processEvents();
}

void DesktopPlatform::endProgram() {
    if (ended)
        return;
    ended = true;
    // Hiding rather than closing: a close would deliver close events, and nothing may run now.
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows)
        window->hide();
    // exit() also leaves any nested event loop; the handler that is running returns on its own
    // because it asks programEnded() after every point where events ran.
    QCoreApplication::exit(0);
}

QByteArray DesktopPlatform::applicationDirectory() const {
    // On Linux this comes from /proc/self/exe, so a launcher started through a symbolic link
    // still names the directory of the real executable.
    return QFile::encodeName(QCoreApplication::applicationDirPath());
}

bool DesktopPlatform::startProcess(const ProcessStart &start) {
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
