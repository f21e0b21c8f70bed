// The window on Qt's offscreen platform, driven as a user drives it (mouse clicks, keys, access
// keys) while a QTcpServer on loopback plays the registry, with a recording platform in place of
// the desktop: what it shows as the reply arrives and for the server picked, and what each act
// leaves behind: the messages, the client started, the program's end, the busy pointer.
#include "LauncherWindow.h"

#include <QApplication>
#include <QPushButton>

#include <functional>

#ifndef Q_OS_WIN
#include <sys/socket.h>
#endif

using namespace Qt::StringLiterals;

namespace {

using Servers = QList<ServerEntry>;
using Starts = QList<ProcessStart>;
using Act = std::function<void(LauncherWindow &)>;

const Servers Three{{"10.0.0.5", "5000", "Ashmere", "Fens", 2},
                    {"10.0.0.6", "5001", "Brack", "Hills", 12},
                    {"h.example", "7000", "Corrow", "", 255}};

// How the registry ends its side after the bytes it sends.
enum class Ending { NeverListens, Waits, HangsUp, Resets };

// Keys go where the keyboard focus is, as a user's would.
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
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
// user picks (the last one listed once the first piece is in), and what it says. A registry that
// waits leaves the window busy; one that hangs up before a byte ends the program after its message.
void tst_frmMain::reading_data() {
    QTest::addColumn<Servers>("servers");
    QTest::addColumn<Ending>("ending");
    QTest::addColumn<QStringList>("items");
    // What the caption and the description say, as a screen reader reads them with the list.
    QTest::addColumn<QString>("details");
    QTest::addColumn<QStringList>("messages");

    const QString none = u"Tileset Number: 0"_s;
    QTest::newRow("the first servers shown at once, later ones join, the pick stays")
        << Three << Ending::Waits << QStringList{"Ashmere", "Brack", "Corrow"}
        << u"Tileset Number: 12. Hills"_s << QStringList();
    QTest::newRow("Windows-1252 texts, tileset 0")
        << Servers{{"a", "b", "Caf\xe9 \x80\x99\x9f", "\x93quoted\x94 \x81", 0}} << Ending::HangsUp
        << QStringList{"Café €™Ÿ"} << u"Tileset Number: 0. “quoted” \u0081"_s << QStringList();
    QTest::newRow("megabyte name and description without a blank are cut for display")
        << Servers{{"a", "b", QByteArray(1 << 20, 'N'), QByteArray(1 << 20, 'D'), 9}}
        << Ending::HangsUp << QStringList{QString(4096, 'N')}
        << "Tileset Number: 9. " + QString(65536, 'D') << QStringList();
    QTest::newRow("registry hangs up before a byte")
        << Servers() << Ending::HangsUp << QStringList() << none
        << QStringList{"There are no servers on the registry."};
    QTest::newRow("nothing listens") << Servers() << Ending::NeverListens << QStringList() << none
                                     << QStringList{"Cannot connect to registry!"};
    // Qt reports a reset like a hang-up; only Linux tells them apart, and a reset is a failure.
#ifndef Q_OS_WIN
    QTest::newRow("registry resets before a byte")
        << Servers() << Ending::Resets << QStringList() << none
        << QStringList{"Cannot connect to registry!"};
    QTest::newRow("reply, then a reset, which ends it as a hang-up does")
        << Three.first(2) << Ending::Resets << QStringList{"Ashmere", "Brack"}
        << u"Tileset Number: 12. Hills"_s << QStringList();
#endif
}

void tst_frmMain::reading() {
    QFETCH(Servers, servers);
    QFETCH(Ending, ending);
    QFETCH(QStringList, items);
    QFETCH(QString, details);
    QFETCH(QStringList, messages);

    LauncherWindow w;
    QVERIFY(w.load(ending != Ending::NeverListens));
    // Two servers first, the rest once the user has picked the second.
    const int current = int(qMin(2, servers.size())) - 1;
    if (current >= 0) {
        w.send(encodeServerList(servers.first(current + 1)));
        QTRY_COMPARE(w.list()->count(), current + 1);
        QCOMPARE(w.list()->currentIndex(), 0);
        pickLast(w);
        for (const ServerEntry &server : servers.sliced(current + 1))
            w.send(encodeRecord(server));
    }
    if (ending == Ending::HangsUp)
        w.peer->disconnectFromHost();
#ifndef Q_OS_WIN
    // A close with a linger time of 0 s sends a reset instead of the orderly close.
    const linger abortive{1, 0};
    if (ending == Ending::Resets) {
        setsockopt(int(w.peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive,
                   sizeof abortive);
        w.peer->abort();
    }
#endif
    // The busy pointer goes once the conversation is over, whatever came of it.
    QTRY_COMPARE(w.showsBusy(), ending == Ending::Waits);
    QTRY_COMPARE(w.platform.messages, messages);
    QTRY_COMPARE(w.items(), items);
    QCOMPARE(w.list()->currentIndex(), current);
    const QString description = w.description(), caption = w.caption();
    QCOMPARE(description.isEmpty() ? caption : caption + ". " + description, details);
    QCOMPARE(w.platform.ended, ending == Ending::HangsUp && servers.isEmpty());
    // A registry that ends its side first gets no acknowledgement: the request's bytes alone.
    if (ending == Ending::HangsUp || ending == Ending::Resets)
        QTRY_COMPARE(w.received, "\x00\x02\x03\x01"_ba);
    if (current < 0)
        return;
    // Joining servers move neither the pick nor the keyboard.
    QCOMPARE(QApplication::focusWidget(), w.list());
    QCOMPARE(w.list()->accessibleDescription(), details);
    QCOMPARE(w.list()->itemData(current, Qt::AccessibleDescriptionRole), details);
}

// While the reply still arrives, the user picks the last server listed, then acts. A client that
// cannot start is one the launcher must say something about.
void tst_frmMain::acts_data() {
    QTest::addColumn<Act>("act");
    QTest::addColumn<Servers>("servers");
    QTest::addColumn<Starts>("starts");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("ends");

    const Act clickConnect = [](LauncherWindow &w) {
        QTest::mouseClick(w.child<QPushButton>("cmdConnect"), Qt::LeftButton);
    };
    const auto alt = [](Qt::Key key) {
        return [key](LauncherWindow &) { press(key, Qt::AltModifier); };
    };
    const Act closeBox = [](LauncherWindow &w) { w.window.close(); };
    const Act enterAndEscape = [](LauncherWindow &w) {
        for (const char *name : {"cmbServers", "txtDescription", "cmdConnect", "cmdCancel"}) {
            w.child<QWidget>(name)->setFocus();
            for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
                press(key);
        }
    };
    // The launcher's directory as the body sets it, with a blank and a letter beyond ASCII.
    const QByteArray program = "/opt/My G\xc3\xa4mes/brelgan.bin";
    // Runs of blanks and tabs separate words, none empty; nothing else is interpreted.
    const QByteArray shell = ";rm|$(id)`id`'\"*\x80\xff", address = "  a b\t" + shell + " \t";
    const Starts third{{program, {"h.example", "7000", "255"}, "h.example 7000 255"}};
    QTest::newRow("Connect: runs of blanks, shell characters, blank port")
        << clickConnect << Servers{{address, "\t", "N", "", 0}}
        << Starts{{program, {"a", "b", shell, "0"}, address + " \t 0"}} << QStringList() << true;
    QTest::newRow("Alt+C, client cannot start")
        << Act(alt(Qt::Key_C)) << Three << third
        << QStringList{"The game client could not be started:\n" + QString::fromUtf8(program)}
        << false;
    QTest::newRow("Connect, nothing listed")
        << clickConnect << Servers() << Starts()
        << QStringList{"Please select a server to connect to."} << false;
    QTest::newRow("Alt+A") << Act(alt(Qt::Key_A)) << Three << Starts() << QStringList() << true;
    QTest::newRow("close box") << closeBox << Three << Starts() << QStringList() << true;
    // A click that was already queued when the program ended changes nothing.
    const Act cancelThenConnect = [](LauncherWindow &w) {
        for (const char *button : {"cmdCancel", "cmdConnect"})
            w.child<QPushButton>(button)->click();
    };
    QTest::newRow("Cancel, then Connect at once")
        << cancelThenConnect << Three << Starts() << QStringList() << true;
    QTest::newRow("Enter and Escape, on every control")
        << enterAndEscape << Three << Starts() << QStringList() << false;
}

void tst_frmMain::acts() {
    QFETCH(Act, act);
    QFETCH(Servers, servers);
    QFETCH(Starts, starts);
    QFETCH(QStringList, messages);
    QFETCH(bool, ends);

    LauncherWindow w;
    w.platform.directory = "/opt/My G\xc3\xa4mes";
    w.platform.startSucceeds = messages.isEmpty();
    QVERIFY(w.load());
    w.send(encodeServerList(servers));
    QTRY_COMPARE(w.list()->count(), servers.size());
    pickLast(w);
    act(w);
    // An access key clicks its button a moment later, as the button shows itself pressed.
    QTRY_COMPARE(w.platform.ended || !w.platform.messages.isEmpty(), ends || !messages.isEmpty());
    QCOMPARE(w.platform.messages, messages);
    QVERIFY(w.platform.starts == starts);
    QCOMPARE(w.platform.ended, ends);
    // The reply is taken as it stands before the client starts: one acknowledgement, then the
    // launcher hangs up. The bytes themselves, not the launcher's names for them.
    if (!starts.isEmpty()) {
        QTRY_COMPARE(w.peer->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(w.received, "\x00\x02\x03\x01\x00\x01\x04"_ba);
    }
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
