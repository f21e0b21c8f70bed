// What a screen reader and a keyboard user get from the window, read through Qt's accessibility
// interface on the offscreen platform: the window as a dialog, a name for every control, the
// selected server's details with the list and its item, the access keys the buttons announce, and
// the message box closed from the keyboard. What Orca itself makes of it: screen_reader.sh.
#include "DesktopPlatform.h"
#include "LauncherWindow.h"
#include "ScreenReader.h"
#include "sample_reply.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

const QByteArray Servers = replyLead() +
                           encodeRecord({"10.0.0.5", "5000", "Ashmere", "Fens and fog", 7}) +
                           encodeRecord({"10.0.0.6", "5001", "Brack", "Hills", 12}) +
                           encodeRecord({"10.0.0.7", "5002", "Cold", "", 0});

struct Window : LauncherWindow {
    Window() { window.ingestReply(Servers); }
    QAccessibleInterface *accessible(const char *name) {
        return QAccessible::queryAccessibleInterface(
            window.findChild<QWidget *>(QString::fromLatin1(name)));
    }
};

} // namespace

class tst_Accessibility : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void everyControlIsNamed();
    void controls_data();
    void controls();
    void buttons_data();
    void buttons();
    void selectionReachesScreenReader_data();
    void selectionReachesScreenReader();
    void messageBoxClosesFromKeyboard_data();
    void messageBoxClosesFromKeyboard();
};

void tst_Accessibility::initTestCase() {
    // As main() does, before any window exists.
    installScreenReaderRoles();
}

void tst_Accessibility::everyControlIsNamed() {
    // Walks the accessible tree rather than a list of names, so a control added later without a
    // name fails here.
    Window w;
    QAccessibleInterface *root = QAccessible::queryAccessibleInterface(&w.window);
    QVERIFY(root);
    // Orca announces a plain widget as a "filler"; a dialog it announces with its title.
    QCOMPARE(root->role(), QAccessible::Dialog);
    QCOMPARE(root->text(QAccessible::Name), QStringLiteral("Wendrake"));
    QCOMPARE(root->childCount(), 5);
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface *child = root->child(i);
        QVERIFY2(!child->text(QAccessible::Name).trimmed().isEmpty(),
                 qPrintable(child->object()->objectName()));
    }
}

void tst_Accessibility::controls_data() {
    QTest::addColumn<QByteArray>("control");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("focusable");
    QTest::addColumn<bool>("described");

    // On Linux Qt names a combo box by its current text and ignores the accessible name; the
    // selected server's tileset and description reach the screen reader through the description.
    QTest::newRow("server list") << QByteArray("cmbServers") << QAccessible::ComboBox << "Ashmere"
                                 << true << true;
    // The label's name is its text, so the tileset number is read out with it.
    QTest::newRow("tileset") << QByteArray("lblTileset") << QAccessible::StaticText
                             << "Tileset Number: 7" << false << false;
    QTest::newRow("description") << QByteArray("txtDescription") << QAccessible::EditableText
                                 << "Server description" << true << true;
    QTest::newRow("connect") << QByteArray("cmdConnect") << QAccessible::Button << "Connect" << true
                             << false;
    QTest::newRow("cancel") << QByteArray("cmdCancel") << QAccessible::Button << "Cancel" << true
                            << false;
}

void tst_Accessibility::controls() {
    QFETCH(QByteArray, control);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, name);
    QFETCH(bool, focusable);
    QFETCH(bool, described);

    Window w;
    QAccessibleInterface *iface = w.accessible(control);
    QVERIFY(iface);
    QCOMPARE(iface->role(), role);
    QCOMPARE(iface->text(QAccessible::Name), name);
    QCOMPARE(bool(iface->state().focusable), focusable);
    QCOMPARE(!iface->text(QAccessible::Description).isEmpty(), described);
}

void tst_Accessibility::buttons_data() {
    QTest::addColumn<QByteArray>("control");
    QTest::addColumn<QString>("keyBinding");

    QTest::newRow("connect") << QByteArray("cmdConnect") << "Alt+C";
    QTest::newRow("cancel") << QByteArray("cmdCancel") << "Alt+A";
}

void tst_Accessibility::buttons() {
    QFETCH(QByteArray, control);
    QFETCH(QString, keyBinding);

    Window w;
    QAccessibleActionInterface *actions = w.accessible(control)->actionInterface();
    QVERIFY(actions);
    // The access key a screen reader announces must be the one that works.
    QCOMPARE(actions->keyBindingsForAction(QAccessibleActionInterface::pressAction()),
             QStringList{keyBinding});
}

void tst_Accessibility::selectionReachesScreenReader_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("details");

    QTest::newRow("first server, as listed") << 0 << "Tileset Number: 7. Fens and fog";
    QTest::newRow("another server") << 1 << "Tileset Number: 12. Hills";
    QTest::newRow("server without description") << 2 << "Tileset Number: 0";
}

void tst_Accessibility::selectionReachesScreenReader() {
    // Orca speaks the selected item with its description when the selection moves, and the list
    // with its description when the user comes to it; both must tell the selected server's details.
    // (Qt sends accessibility events only with a screen reader attached: screen_reader.sh.)
    QFETCH(int, row);
    QFETCH(QString, details);

    Window w;
    w.window.show();
    QApplication::setActiveWindow(&w.window);
    QVERIFY(QTest::qWaitForWindowActive(&w.window));
    QComboBox *box = w.window.findChild<QComboBox *>(QStringLiteral("cmbServers"));
    box->setFocus();
    for (int down = 0; down < row; ++down)
        QTest::keyClick(box, Qt::Key_Down);
    QAccessibleInterface *list = w.accessible("cmbServers");
    QCOMPARE(list->text(QAccessible::Description), details);
    QAccessibleInterface *items = list->child(0);
    QCOMPARE(items->role(), QAccessible::List);
    QAccessibleInterface *item = items->tableInterface()->cellAt(row, 0);
    QVERIFY(item);
    QCOMPARE(item->text(QAccessible::Description), details);
}

void tst_Accessibility::messageBoxClosesFromKeyboard_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    QTest::newRow("Space") << int(Qt::Key_Space);
}

void tst_Accessibility::messageBoxClosesFromKeyboard() {
    QFETCH(int, key);

    DesktopPlatform platform;
    QString title;
    QStringList buttons;
    int result = 0;
    // The box is modal: the key arrives from the event loop it runs, once it has the focus.
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (!QTest::qWaitForWindowActive(box))
            return box->done(0);
        connect(box, &QDialog::finished, this, [&result](int r) { result = result ? result : r; });
        title = box->windowTitle();
        for (QAbstractButton *button : box->buttons())
            buttons.append(QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name));
        // Where a user's key goes: the widget with the keyboard focus.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        // A key the box ignored would leave the test hanging; closing it makes that a failure.
        QTimer::singleShot(0, box, [box] { box->done(-1); });
    });
    platform.showMessage(QStringLiteral("Please select a server to connect to."));
    QCOMPARE(title, QStringLiteral("Brelgan"));
    QCOMPARE(buttons, QStringList{QStringLiteral("OK")});
    QCOMPARE(result, int(QMessageBox::Ok));
}

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
