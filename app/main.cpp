// The launcher: one window that lists the registry's game servers and starts the game client.
#include "DesktopPlatform.h"
#include "DisplayCheck.h"
#include "RegistryProtocol.h"
#include "ScreenReader.h"
#include "frmMain.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[]) {
    // The launcher takes no arguments of its own, and none of Qt's either: only the program name
    // reaches QApplication.
    int qtArgc = argc > 0 ? 1 : 0;
    holdMessagesUntilDisplayOpens();
    QApplication app(qtArgc, argv);
    displayOpened();
    // The name of the installed desktop entry: Wayland compositors match the window to its menu
    // entry and icon by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.wendrake.Launcher"));
    installScreenReaderRoles();

    DesktopPlatform platform;
    frmMain window(platform, RegistryEndpoint{QStringLiteral(BRELGAN_REGISTRY_HOST), RegistryPort});
    window.Form_Load();
    window.show();
    const int status = QApplication::exec();
    // The program ends at once. Returning would run Qt's clean-up, which waits for a host-name
    // lookup still under way in its thread pool: up to 20 s with a resolver that never answers,
    // with the window already gone. Nothing is left that the system does not release itself.
    std::fflush(nullptr);
    std::_Exit(status);
}
