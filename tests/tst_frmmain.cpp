// The window on Qt's offscreen platform, with a recording platform in place of the desktop: what it
// shows for the server selected, and what Connect, Cancel, the close box and an unreachable
// registry leave behind: the messages, the client started, the program's end. (That the buttons
// and keys reach these handlers is proven end to end, through the real launcher.)
#include "LauncherWindow.h"
#include "sample_reply.h"

#include <QTcpServer>
#include <QTest>

#include <functional>

namespace {

using Servers = QList<ServerEntry>;
using Starts = QList<ProcessStart>;
using Act = std::function<void(frmMain &)>;

const Servers Three{{"10.0.0.5", "5000", "Ashmere", "Fens", 2},
                    {"10.0.0.6", "5001", "Brack", "Hills", 12},
                    {"h.example", "7000", "Corrow", "", 255}};

} // namespace

class tst_frmMain : public QObject {
    Q_OBJECT

private slots:
    void showsSelected_data();
    void showsSelected();
    void acts_data();
    void acts();
};

void tst_frmMain::showsSelected_data() {
    // The user picks the last server listed.
    QTest::addColumn<Servers>("servers");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("tileset");
    QTest::addColumn<QString>("description");

    QTest::newRow("third of three, no description") << Three << "Corrow" << 255 << "";
    QTest::newRow("Windows-1252 texts, tileset 0")
        << Servers{{"a", "b", "Caf\xe9 \x80\x99", "\x93quoted\x94 \x81", 0}} << "Café €™" << 0
        << "“quoted” \u0081";
    QTest::newRow("megabyte description without a blank is cut for display")
        << Servers{{"a", "b", "Long", QByteArray(1 << 20, 'D'), 9}} << "Long" << 9
        << QString(65536, 'D');
}

void tst_frmMain::showsSelected() {
    QFETCH(Servers, servers);
    QFETCH(QString, name);
    QFETCH(int, tileset);
    QFETCH(QString, description);

    LauncherWindow w;
    w.window.ingestReply(encodeServerList(servers));
    QCOMPARE(w.list()->currentIndex(), 0);
    w.list()->setCurrentIndex(w.list()->count() - 1);
    QCOMPARE(w.list()->currentText(), name);
    QCOMPARE(w.child<QPlainTextEdit>("txtDescription")->toPlainText(), description);
    const QString caption = QStringLiteral("Tileset Number: %1").arg(tileset);
    QCOMPARE(w.child<QLabel>("lblTileset")->text(), caption);
    // What a screen reader reads with the list.
    QCOMPARE(w.list()->accessibleDescription(),
             description.isEmpty() ? caption : caption + ". " + description);
    // Only the display is cut: the table keeps every byte.
    QVERIFY(w.window.serverTable().entry(w.list()->currentIndex()) == servers.last());
}

void tst_frmMain::acts_data() {
    // The user picks the last server listed, then acts.
    QTest::addColumn<Act>("act");
    QTest::addColumn<Servers>("servers");
    // A row with a client started and a message as well is a client that could not start.
    QTest::addColumn<Starts>("starts");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("ends");

    const Act connect = &frmMain::cmdConnect_Click;
    const QByteArray program = "/opt/My Games/brelgan.bin";
    // Runs of blanks and tabs separate words, none empty; nothing else is interpreted.
    const QByteArray shell = ";rm|$(id)`id`'\"*\x80\xff", address = "  a b\t" + shell + " \t";
    QTest::newRow("Connect: runs of blanks, shell characters, blank port")
        << connect << Servers{{address, "\t", "N", "", 0}}
        << Starts{{program, {"a", "b", shell, "0"}, address + " \t 0"}} << QStringList() << true;
    QTest::newRow("Connect, third picked, client cannot start")
        << connect << Three << Starts{{program, {"h.example", "7000", "255"}, "h.example 7000 255"}}
        << QStringList{"The game client could not be started:\n" + QString::fromUtf8(program)}
        << false;
    QTest::newRow("Connect, nothing listed")
        << connect << Servers() << Starts() << QStringList{"Please select a server to connect to."}
        << false;
    QTest::newRow("Cancel") << Act(&frmMain::cmdCancel_Click) << Three << Starts() << QStringList()
                            << true;
    QTest::newRow("close box") << Act([](frmMain &f) { f.close(); }) << Three << Starts()
                               << QStringList() << true;
    QTest::newRow("registry cannot be reached")
        << Act(&frmMain::Form_Load) << Servers() << Starts()
        << QStringList{"Cannot connect to registry!"} << false;
}

void tst_frmMain::acts() {
    QFETCH(Act, act);
    QFETCH(Servers, servers);
    QFETCH(Starts, starts);
    QFETCH(QStringList, messages);
    QFETCH(bool, ends);

    QTcpServer probe; // closed before the window asks: nothing answers on its port
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    LauncherWindow w({QStringLiteral("127.0.0.1"), probe.serverPort()});
    probe.close();
    w.platform.startSucceeds = messages.isEmpty();
    w.window.ingestReply(encodeServerList(servers));
    w.list()->setCurrentIndex(w.list()->count() - 1);
    act(w.window);
    QTRY_COMPARE(w.platform.messages, messages);
    QVERIFY(!w.showsBusy());
    QVERIFY(w.platform.starts == starts);
    QCOMPARE(w.platform.ended, ends);
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
