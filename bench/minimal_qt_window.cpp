// The floor for start-up: a Qt Widgets program that opens one empty window of the launcher's size
// and does nothing else. Whatever the launcher takes beyond this is its own. With --label the
// window also shows one line of text, which makes Qt load the font database before the window is
// mapped, as any window with text must. With --controls it shows the launcher's five controls in
// the launcher's font and places, with no data and no network: what those widgets cost by
// themselves. Together they split the launcher's excess into fonts, widgets and the rest.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

namespace {

void addLauncherControls(QWidget &window) {
    QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
    QFont font(QStringLiteral("Verdana"));
    font.setPointSizeF(8.25);
    window.setFont(font);
    (new QComboBox(&window))->setGeometry(8, 8, 265, 21);
    (new QLabel(QStringLiteral("Tileset Number: 0"), &window))->setGeometry(24, 32, 233, 17);
    auto *description = new QPlainTextEdit(&window);
    description->setGeometry(8, 48, 265, 81);
    description->setReadOnly(true);
    (new QPushButton(QStringLiteral("C&ancel"), &window))->setGeometry(8, 136, 81, 25);
    (new QPushButton(QStringLiteral("&Connect"), &window))->setGeometry(192, 136, 81, 25);
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Floor"));
    window.setFixedSize(281, 169);
    const QStringList arguments = QApplication::arguments();
    if (arguments.contains(QStringLiteral("--label")))
        (new QLabel(QStringLiteral("Tileset Number: 0"), &window))->setGeometry(24, 32, 233, 17);
    else if (arguments.contains(QStringLiteral("--controls")))
        addLauncherControls(window);
    window.show();
    return app.exec();
}
