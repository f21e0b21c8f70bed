// The floor for start-up: a Qt Widgets program that opens one empty window of the launcher's size
// and does nothing else. Whatever the launcher takes beyond this is its own.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Floor"));
    window.setFixedSize(281, 169);
    window.show();
    return app.exec();
}
