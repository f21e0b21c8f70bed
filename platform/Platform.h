// The seam between the program and the desktop. Everything that shows the user a message, runs
// pending events, ends the process or starts another program goes through this interface, so that
// tests can put a recording fake in place of the real desktop.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A program to start, with its arguments in both of the forms systems take them: as words, for
// an argument vector, and as the one line the words were split from, for a command line.
struct ProcessStart {
    QByteArray program;
    QList<QByteArray> arguments;
    QByteArray argumentLine;

    friend bool operator==(const ProcessStart &, const ProcessStart &) = default;
};

class Platform {
public:
    virtual ~Platform() = default;

    // A modal box titled "Brelgan" with the text, one OK button and no icon. Returns once the user
    // has closed it; events keep running meanwhile.
    virtual void showMessage(const QString &text) = 0;

    // Runs the events that are pending now, once, and returns.
    virtual void runPendingEvents() = 0;

    // Ends the program: the window goes, the process exits with status 0, and from this moment on
    // no handler may act. Handlers that let pending events run ask programEnded() afterwards.
    virtual void endProgram() = 0;
    virtual bool programEnded() const = 0;

    // The directory that holds the program's own executable, with symbolic links resolved, as
    // file-system bytes.
    virtual QByteArray applicationDirectory() const = 0;

    // Starts the program as a new process with exactly these arguments (no shell, nothing
    // interpreted) and does not wait for it. False when it could not be started.
    virtual bool startProcess(const ProcessStart &start) = 0;
};
