// The window as the desktop presents it: every control named for a screen reader, reached by Tab
// in order, and inside the window, with its text whole, in the window's own font (Verdana, or
// DejaVu Sans standing in for it). CTest runs it at QT_SCALE_FACTOR 1 and 2: the layout is in
// logical pixels, so the window comes out that many times larger with every text still inside its
// control. What Orca itself says of the window: screen_reader.sh.
#include "LauncherWindow.h"
#include "sample_reply.h"

#include <QAccessible>
#include <QApplication>
#include <QScrollBar>
#include <QTest>

class tst_DesktopWindow : public QObject {
    Q_OBJECT

private slots:
    void everyControlShown();
};

void tst_DesktopWindow::everyControlShown() {
    LauncherWindow w;
    // The sample list the screenshots show, and the widest tileset caption.
    QList<ServerEntry> servers = sampleServers();
    servers.append({"10.0.0.1", "7000", "Widest", "Tileset caption at its widest.", 255});
    QVERIFY(w.listServers(servers));

    // The accessible tree rather than a list of controls, so that one added without a name fails.
    // On Linux Qt names a combo box by its current text, a label by its text.
    QAccessibleInterface *root = QAccessible::queryAccessibleInterface(&w.window);
    QStringList names;
    for (int i = 0; i < root->childCount(); ++i)
        names.append(root->child(i)->text(QAccessible::Name));
    QCOMPARE(names, QStringList({"Ashmere", "Tileset Number: 0", "Server description", "Cancel",
                                 "Connect"}));

    // From the keyboard alone: Tab goes round every control and back to the list.
    QStringList order;
    for (int i = 0; i < 5; ++i) {
        order.append(QApplication::focusWidget()->objectName());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(order, QStringList(
                        {"cmbServers", "txtDescription", "cmdConnect", "cmdCancel", "cmbServers"}));

    QCOMPARE(w.window.size(), QSize(281, 169));
    for (QWidget *control : w.window.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        QVERIFY2(w.window.rect().contains(control->geometry()), qPrintable(control->objectName()));
    // The list asks for room for its widest name, in the same font as the caption.
    QVERIFY(w.list()->sizeHint().width() <= w.list()->width());
    auto *text = w.child<QPlainTextEdit>("txtDescription");
    for (int i = 0; i < w.list()->count(); ++i) {
        w.list()->setCurrentIndex(i);
        // Descriptions wrap; a scroll bar would mean a line cut off.
        QVERIFY(!text->verticalScrollBar()->maximum() && !text->horizontalScrollBar()->maximum());
        // The caption and the buttons ask for no more room than they have.
        for (const char *name : {"lblTileset", "cmdConnect", "cmdCancel"}) {
            const QWidget *control = w.child<QWidget>(name);
            QVERIFY2(control->size().expandedTo(control->sizeHint()) == control->size(), name);
        }
    }
}

QTEST_MAIN(tst_DesktopWindow)
#include "tst_desktopwindow.moc"
