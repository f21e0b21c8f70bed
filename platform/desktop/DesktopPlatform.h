// The real desktop behind the Platform seam: Qt's message box and event loop here, process start
// and the application directory from NativeDesktop.h, one implementation per system.
#pragma once

#include "Platform.h"

class DesktopPlatform final : public Platform {
public:
    void showMessage(const QString &text) override;
    void runPendingEvents() override;
    void endProgram() override;
    bool programEnded() const override { return ended; }
    QByteArray applicationDirectory() const override;
    bool startProcess(const ProcessStart &start) override;

private:
    bool ended = false;
};
