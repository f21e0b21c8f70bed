// The launcher's window with a recording platform in place of the desktop, and what a test reads
// off it.
#pragma once

#include "RecordingPlatform.h"
#include "frmMain.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>

struct LauncherWindow {
    // Nothing answers on port 9, but it is a valid endpoint: the window waits.
    explicit LauncherWindow(RegistryEndpoint registry = {QStringLiteral("127.0.0.1"), 9},
                            ReadingLimits limits = {})
        : window(platform, std::move(registry), limits) {}

    template <typename T> T *child(const char *name) const { return window.findChild<T *>(name); }
    QComboBox *list() const { return child<QComboBox>("cmbServers"); }
    QStringList items() const {
        QStringList names;
        for (int i = 0; i < list()->count(); ++i)
            names.append(list()->itemText(i));
        return names;
    }
    bool showsBusy() const { return window.cursor().shape() == Qt::BusyCursor; }

    RecordingPlatform platform;
    frmMain window;
};
