// A platform that records what the program asked of the desktop instead of doing it. Pending
// events still run for real, so a loopback registry's traffic reaches the window, and a test can
// hook into those moments to make something happen exactly there.
#pragma once

#include "Platform.h"

#include <QCoreApplication>
#include <QStringList>

#include <functional>

class RecordingPlatform final : public Platform {
public:
    QStringList messages;
    QList<ProcessStart> starts;
    int pendingEventRuns = 0;
    bool ended = false;
    // With a blank, as a user's own folder may have.
    QByteArray directory = "/opt/My Games";
    bool startSucceeds = true;
    // Called at every point where the program lets pending events run, before they run.
    std::function<void(int run)> atPendingEvents;
    // Off where a run must depend on its input alone: the fuzz target keeps time by a clock of its
    // own, and a real timer firing in between would make a run depend on the machine's speed.
    bool runsEvents = true;

    void showMessage(const QString &text) override { messages.append(text); }
    void runPendingEvents() override {
        ++pendingEventRuns;
        if (atPendingEvents)
            atPendingEvents(pendingEventRuns);
        if (runsEvents)
            QCoreApplication::processEvents();
    }
    void endProgram() override { ended = true; }
    bool programEnded() const override { return ended; }
    QByteArray applicationDirectory() const override { return directory; }
    bool startProcess(const ProcessStart &start) override {
        starts.append(start);
        return startSucceeds;
    }
};
