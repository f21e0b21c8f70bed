#include "DisplayCheck.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct HeldMessage {
    QtMsgType type;
    QByteArray file;
    int line;
    QByteArray function;
    QByteArray category;
    QString text;
};

// Only main() touches these, before the event loop runs and on its one thread.
std::vector<HeldMessage> held;
QtMessageHandler qtHandler = nullptr;

void passOn(const HeldMessage &message) {
    const QMessageLogContext context(message.file.constData(), message.line,
                                     message.function.constData(), message.category.constData());
    qtHandler(message.type, context, message.text);
}

QByteArray namedDisplays() {
    QByteArrayList named;
    for (const char *variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (!qEnvironmentVariableIsEmpty(variable))
            named.append(QByteArray(variable) + '=' + qgetenv(variable));
    }
    return named.join(", ");
}

void holdOrGiveUp(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    if (type != QtFatalMsg) {
        held.push_back(
            {type, context.file, context.line, context.function, context.category, text});
        return;
    }
    // Qt's fatal message itself suggests reinstalling; what it logged before says which display
    // it tried. With nothing named there is nothing to add to the one line.
    const QByteArray named = namedDisplays();
    if (named.isEmpty()) {
        std::fputs("brelgan-launcher: cannot open a display: set DISPLAY or WAYLAND_DISPLAY\n",
                   stderr);
    } else {
        for (const HeldMessage &message : held)
            passOn(message);
        std::fprintf(stderr, "brelgan-launcher: cannot open a display (%s)\n", named.constData());
    }
    std::fflush(stderr);
    // Nothing of the program has started yet, so there is nothing to clean up.
    std::_Exit(NoDisplayStatus);
}

} // namespace

void holdMessagesUntilDisplayOpens() {
    qtHandler = qInstallMessageHandler(holdOrGiveUp);
}

void displayOpened() {
    qInstallMessageHandler(qtHandler);
    for (const HeldMessage &message : held)
        passOn(message);
    held.clear();
}
