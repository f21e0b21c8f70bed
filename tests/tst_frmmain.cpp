// The window on Qt's offscreen platform, driven as a user drives it (mouse clicks, keys, access
// keys) while a QTcpServer on loopback plays the registry, with a recording platform in place of
// the desktop: what it shows as the reply arrives and for the server picked, and what each act
// leaves behind: the messages, the client started, the program's end, the busy pointer.
#include "LauncherWindow.h"

#include <QApplication>
#include <QPushButton>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

using Servers = QList<ServerEntry>;
using Starts = QList<ProcessStart>;
using Act = std::function<void(LauncherWindow &)>;

const Servers Three{{"10.0.0.5", "5000", "Ashmere", "Fens", 2},
                    {"10.0.0.6", "5001", "Brack", "Hills", 12},
                    {"h.example", "7000", "Corrow", "", 255}};

// How the registry ends its side after the bytes it sends.
enum class Ending { NeverListens, Waits, HangsUp };

// Keys go where the keyboard focus is, as a user's would.
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

void click(LauncherWindow &w, const char *button) {
    QTest::mouseClick(w.child<QPushButton>(button), Qt::LeftButton);
}

void pickLast(LauncherWindow &w) {
    w.list()->setFocus();
    press(Qt::Key_End);
}

} // namespace

Q_DECLARE_METATYPE(Ending)
Q_DECLARE_METATYPE(Act)

class tst_frmMain : public QObject {
    Q_OBJECT

private slots:
    void reading_data();
    void reading();
    void acts_data();
    void acts();
};

// What the window shows while the registry's reply arrives and once it is over, for the server the
// user picks (the last one listed once the first piece is in), and what it says.
void tst_frmMain::reading_data() {
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("rest");
    QTest::addColumn<Ending>("ending");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("description");
    QTest::addColumn<int>("tileset");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("ends");

    const QStringList none;
    QTest::newRow("reply arriving: the first server shown, still waiting")
        << encodeServerList(Three.first(1)) << QByteArray() << Ending::Waits
        << QStringList{"Ashmere"} << 0 << "Fens" << 2 << true << none << false;
    QTest::newRow("later servers join the list, the pick stays")
        << encodeServerList(Three.first(2)) << encodeRecord(Three[2]) << Ending::HangsUp
        << QStringList{"Ashmere", "Brack", "Corrow"} << 1 << "Hills" << 12 << false << none
        << false;
    QTest::newRow("Windows-1252 texts, tileset 0")
        << encodeServerList({{"a", "b", "Caf\xe9 \x80\x99\x9f", "\x93quoted\x94 \x81", 0}})
        << QByteArray() << Ending::HangsUp << QStringList{"Café €™Ÿ"} << 0 << "“quoted” \u0081" << 0
        << false << none << false;
    QTest::newRow("megabyte name and description without a blank are cut for display")
        << encodeServerList({{"a", "b", QByteArray(1 << 20, 'N'), QByteArray(1 << 20, 'D'), 9}})
        << QByteArray() << Ending::HangsUp << QStringList{QString(4096, 'N')} << 0
        << QString(65536, 'D') << 9 << false << none << false;
    QTest::newRow("registry hangs up before a byte")
        << QByteArray() << QByteArray() << Ending::HangsUp << none << -1 << "" << 0 << false
        << QStringList{"There are no servers on the registry."} << true;
    QTest::newRow("nothing listens")
        << QByteArray() << QByteArray() << Ending::NeverListens << none << -1 << "" << 0 << false
        << QStringList{"Cannot connect to registry!"} << false;
}

void tst_frmMain::reading() {
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, rest);
    QFETCH(Ending, ending);
    QFETCH(QStringList, items);
    QFETCH(int, current);
    QFETCH(QString, description);
    QFETCH(int, tileset);
    QFETCH(bool, busy);
    QFETCH(QStringList, messages);
    QFETCH(bool, ends);

    LauncherWindow w;
    QVERIFY(w.load(ending != Ending::NeverListens));
    if (!first.isEmpty()) {
        w.send(first);
        QTRY_VERIFY(w.list()->count() > 0);
        QCOMPARE(w.list()->currentIndex(), 0);
        pickLast(w);
    }
    if (!rest.isEmpty()) {
        w.send(rest);
        QTRY_COMPARE(w.list()->count(), items.size());
    }
    if (ending == Ending::HangsUp)
        w.peer->disconnectFromHost();
    QTRY_COMPARE(w.platform.messages, messages);
    QTRY_COMPARE(w.showsBusy(), busy);
    QCOMPARE(w.items(), items);
    QCOMPARE(w.list()->currentIndex(), current);
    QCOMPARE(w.description(), description);
    const QString caption = u"Tileset Number: %1"_s.arg(tileset);
    QCOMPARE(w.caption(), caption);
    QCOMPARE(w.platform.ended, ends);
    if (current < 0)
        return;
    // Joining servers move neither the pick nor the keyboard.
    QCOMPARE(QApplication::focusWidget(), w.list());
    // What a screen reader reads with the list, and with the item.
    const QString details = description.isEmpty() ? caption : caption + ". " + description;
    QCOMPARE(w.list()->accessibleDescription(), details);
    QCOMPARE(w.list()->itemData(current, Qt::AccessibleDescriptionRole), details);
}

// The user picks the last server listed, then acts.
void tst_frmMain::acts_data() {
    QTest::addColumn<Act>("act");
    QTest::addColumn<Servers>("servers");
    // The registry goes on sending instead of hanging up after the servers.
    QTest::addColumn<bool>("stillArriving");
    QTest::addColumn<bool>("clientStarts");
    QTest::addColumn<Starts>("starts");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("ends");

    const auto row = [](const char *name, const Act &act, const Servers &servers, bool ends,
                        const Starts &starts = {}, const QStringList &messages = {},
                        bool stillArriving = false, bool clientStarts = true) {
        QTest::newRow(name) << act << servers << stillArriving << clientStarts << starts << messages
                            << ends;
    };
    const Act connect = [](LauncherWindow &w) { click(w, "cmdConnect"); };
    const Act altC = [](LauncherWindow &) { press(Qt::Key_C, Qt::AltModifier); };
    const Act altA = [](LauncherWindow &) { press(Qt::Key_A, Qt::AltModifier); };
    const Act closeBox = [](LauncherWindow &w) { w.window.close(); };
    const Act enterAndEscape = [](LauncherWindow &w) {
        for (const char *name : {"cmbServers", "txtDescription", "cmdConnect", "cmdCancel"}) {
            w.child<QWidget>(name)->setFocus();
            for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
                press(key);
        }
    };
    const QByteArray program = "/opt/My Games/brelgan.bin";
    // Runs of blanks and tabs separate words, none empty; nothing else is interpreted.
    const QByteArray shell = ";rm|$(id)`id`'\"*\x80\xff", address = "  a b\t" + shell + " \t";
    const Starts third{{program, {"h.example", "7000", "255"}, "h.example 7000 255"}};
    row("Connect: runs of blanks, shell characters, blank port", connect,
        {{address, "\t", "N", "", 0}}, true,
        {{program, {"a", "b", shell, "0"}, address + " \t 0"}});
    row("Alt+C while the reply still arrives", altC, Three, true, third, {}, true);
    row("Alt+C, client cannot start", altC, Three, false, third,
        {"The game client could not be started:\n" + QString::fromUtf8(program)}, false, false);
    row("Connect, nothing listed", connect, {}, false, {},
        {"Please select a server to connect to."});
    row("Alt+A", altA, Three, true);
    row("close box", closeBox, Three, true);
    row("Enter and Escape, on every control", enterAndEscape, Three, false);
}

void tst_frmMain::acts() {
    QFETCH(Act, act);
    QFETCH(Servers, servers);
    QFETCH(bool, stillArriving);
    QFETCH(bool, clientStarts);
    QFETCH(Starts, starts);
    QFETCH(QStringList, messages);
    QFETCH(bool, ends);

    LauncherWindow w;
    w.platform.startSucceeds = clientStarts;
    QVERIFY(w.load());
    w.send(encodeServerList(servers));
    if (stillArriving)
        QTRY_COMPARE(w.list()->count(), servers.size());
    else {
        w.peer->disconnectFromHost();
        QTRY_VERIFY(!w.showsBusy());
    }
    pickLast(w);
    act(w);
    // An access key clicks its button a moment later, as the button shows itself pressed.
    QTRY_COMPARE(w.platform.ended || !w.platform.messages.isEmpty(), ends || !messages.isEmpty());
    QCOMPARE(w.platform.messages, messages);
    QVERIFY(w.platform.starts == starts);
    QCOMPARE(w.platform.ended, ends);
    if (stillArriving && !starts.isEmpty()) {
        // The reply is taken as it stands: one acknowledgement, then the launcher hangs up.
        QTRY_COMPARE(w.peer->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(w.received, ListRequest.toByteArray() + ReplyAck.toByteArray());
    }
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
