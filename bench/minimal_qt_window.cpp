// The floor for start-up: a Qt Widgets program that opens one empty window of the launcher's size
// and does nothing else. Whatever the launcher takes beyond this is its own. With --label the
// window also shows one line of text, which makes Qt load the font database before the window is
// mapped, as any window with text must; that splits the launcher's excess into fonts and the rest.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Floor"));
    window.setFixedSize(281, 169);
    if (QApplication::arguments().contains(QStringLiteral("--label")))
        (new QLabel(QStringLiteral("Tileset Number: 0"), &window))->setGeometry(24, 32, 233, 17);
    window.show();
    return app.exec();
}
