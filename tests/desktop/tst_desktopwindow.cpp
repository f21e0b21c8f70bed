// The window as the desktop presents it: a name for every control, for a screen reader, and the
// fixed layout against the texts it shows, in the window's own font (Verdana, or DejaVu Sans
// standing in for it). CTest runs it at QT_SCALE_FACTOR 1 and 2: the layout is in logical pixels,
// so the window must come out that many times larger with every text still inside its control.
// What Orca itself says of the window: screen_reader.sh.
#include "LauncherWindow.h"
#include "sample_reply.h"

#include <QAccessible>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTest>

namespace {

// The sample list the screenshots show, and the widest tileset caption.
struct Window : LauncherWindow {
    Window() {
        QList<ServerEntry> servers = sampleServers();
        servers.append({"10.0.0.1", "7000", "Widest", "Tileset caption at its widest.", 255});
        window.ingestReply(encodeServerList(servers));
    }
};

void expectFits(const QWidget *control, const QString &text, const QRect &room) {
    const QFontMetrics metrics = control->fontMetrics();
    QVERIFY2(
        metrics.horizontalAdvance(text) <= room.width() && metrics.height() <= room.height(),
        qPrintable(
            QStringLiteral("\"%1\" has %2x%3").arg(text).arg(room.width()).arg(room.height())));
}

} // namespace

class tst_DesktopWindow : public QObject {
    Q_OBJECT

private slots:
    void everyControlIsNamed();
    void textsFit();
};

void tst_DesktopWindow::everyControlIsNamed() {
    // The accessible tree rather than a list of controls, so that one added without a name fails.
    Window w;
    QAccessibleInterface *root = QAccessible::queryAccessibleInterface(&w.window);
    QStringList names;
    for (int i = 0; i < root->childCount(); ++i)
        names.append(root->child(i)->text(QAccessible::Name));
    // On Linux Qt names a combo box by its current text; the label by its text.
    QCOMPARE(names, QStringList({"Ashmere", "Tileset Number: 0", "Server description", "Cancel",
                                 "Connect"}));
}

void tst_DesktopWindow::textsFit() {
    Window w;
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    QCOMPARE(w.window.size(), QSize(281, 169));
    const double scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
    QCOMPARE(w.window.grab().size(), QSize(281, 169) * scale);
    for (QWidget *control : w.window.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        QVERIFY2(w.window.rect().contains(control->geometry()), qPrintable(control->objectName()));

    QComboBox *list = w.list();
    QStyleOptionComboBox box;
    box.initFrom(list);
    const QRect nameRoom = list->style()->subControlRect(QStyle::CC_ComboBox, &box,
                                                         QStyle::SC_ComboBoxEditField, list);
    auto *tileset = w.child<QLabel>("lblTileset");
    auto *description = w.child<QPlainTextEdit>("txtDescription");
    for (int i = 0; i < list->count(); ++i) {
        list->setCurrentIndex(i);
        expectFits(list, list->currentText(), nameRoom);
        expectFits(tileset, tileset->text(), tileset->contentsRect());
        // Descriptions wrap; a scroll bar would mean a line cut off.
        QCOMPARE(description->verticalScrollBar()->maximum(), 0);
        QCOMPARE(description->horizontalScrollBar()->maximum(), 0);
    }
    for (QPushButton *button : w.window.findChildren<QPushButton *>()) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        expectFits(button, button->text().remove(QLatin1Char('&')),
                   button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button));
    }
}

QTEST_MAIN(tst_DesktopWindow)
#include "tst_desktopwindow.moc"
