#include "DesktopPlatform.h"
#include "NativeDesktop.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

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
    return native::applicationDirectory();
}

bool DesktopPlatform::startProcess(const ProcessStart &start) {
    return native::startProcess(start);
}
