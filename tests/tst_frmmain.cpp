// The window on Qt's offscreen platform, with a recording platform in place of the desktop: its
// initial state, what it shows for a reply, how it follows the selection, and how each button and
// key ends or continues the run.
#include "LauncherWindow.h"
#include "sample_reply.h"

#include <QApplication>
#include <QPushButton>
#include <QTcpServer>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// When the user presses Cancel or the close box.
enum class Moment { BeforeLoad, Connecting, Listed };
enum class Way { CancelButton, CloseBox };

const QByteArray ThreeServers = replyLead() +
                                encodeRecord({"10.0.0.5", "5000", "Ashmere", "Fens", 2}) +
                                encodeRecord({"10.0.0.6", "5001", "Brack", "Hills", 0}) +
                                encodeRecord({"h.example", "7000", "Corrow", "Coast", 255});

using Words = QList<QByteArray>;
const QByteArray Client = "/opt/brelgan/brelgan.bin";

} // namespace

Q_DECLARE_METATYPE(Moment)
Q_DECLARE_METATYPE(Way)

class tst_frmMain : public QObject {
    Q_OBJECT

private slots:
    void initialState();
    void showsServer_data();
    void showsServer();
    void cannotConnect_data();
    void cannotConnect();
    void endsOnCancel_data();
    void endsOnCancel();
    void connectButton_data();
    void connectButton();
};

void tst_frmMain::initialState() {
    LauncherWindow w;
    QCOMPARE(w.list()->count(), 0);
    QVERIFY(!w.list()->isEditable());
    QCOMPARE(w.description(), QString());
    QCOMPARE(w.tileset(), QStringLiteral("Tileset Number: 0"));

    // Tab order: list, description, Connect, Cancel; the label takes no focus.
    QStringList chain;
    QWidget *at = w.list();
    do {
        if (at->focusPolicy() & Qt::TabFocus)
            chain << at->objectName();
        at = at->nextInFocusChain();
    } while (at != w.list());
    QCOMPARE(chain, QStringList({"cmbServers", "txtDescription", "cmdConnect", "cmdCancel"}));

    for (const char *name : {"cmdCancel", "cmdConnect"}) {
        QVERIFY(!w.child<QPushButton>(name)->isDefault());
        QVERIFY(!w.child<QPushButton>(name)->autoDefault());
    }
}

void tst_frmMain::showsServer_data() {
    QTest::addColumn<QByteArray>("reply");
    // The item the user picks after the list fills; -1 leaves the first one selected.
    QTest::addColumn<int>("picked");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("tileset");

    const QStringList three{"Ashmere", "Brack", "Corrow"};
    QTest::newRow("three servers") << ThreeServers << -1 << three << "Fens"
                                   << "Tileset Number: 2";
    QTest::newRow("second picked, tileset 0") << ThreeServers << 1 << three << "Hills"
                                              << "Tileset Number: 0";
    QTest::newRow("third picked, tileset 255") << ThreeServers << 2 << three << "Coast"
                                               << "Tileset Number: 255";
    QTest::newRow("Windows-1252 texts")
        << replyLead() + encodeRecord({"a", "b", "Caf\xe9 \x80\x99", "\x93quoted\x94 \x81", 7})
        << -1 << QStringList{QString::fromUtf8("Café €™")} << QString::fromUtf8("“quoted” \u0081")
        << "Tileset Number: 7";
    QTest::newRow("megabyte description without a blank is cut for display")
        << replyLead() + encodeRecord({"a", "b", "Long", QByteArray(1 << 20, 'D'), 9}) << -1
        << QStringList{"Long"} << QString(65536, 'D') << "Tileset Number: 9";
    QTest::newRow("no servers") << replyLead() << -1 << QStringList() << QString()
                                << "Tileset Number: 0";
    QTest::newRow("cut record keeps the whole ones")
        << replyLead() + encodeRecord({"a", "b", "Whole", "kept", 3}) + "x\0y\0Cut"_ba << -1
        << QStringList{"Whole"} << "kept"
        << "Tileset Number: 3";
}

void tst_frmMain::showsServer() {
    QFETCH(QByteArray, reply);
    QFETCH(int, picked);
    QFETCH(QStringList, names);
    QFETCH(QString, description);
    QFETCH(QString, tileset);

    LauncherWindow w;
    w.window.ingestReply(reply);
    QCOMPARE(w.list()->currentIndex(), names.isEmpty() ? -1 : 0);
    if (picked >= 0)
        w.list()->setCurrentIndex(picked);
    QCOMPARE(w.items(), names);
    QCOMPARE(w.window.serverTable().serverCount(), names.size());
    QCOMPARE(w.description(), description);
    QCOMPARE(w.tileset(), tileset);
}

// A registry that cannot be reached is reported once; the window stays, waiting no longer.
void tst_frmMain::cannotConnect_data() {
    QTest::addColumn<QString>("host");
    QTest::newRow("nothing listens") << "127.0.0.1";
    QTest::newRow("host name does not resolve") << "registry.invalid";
}

void tst_frmMain::cannotConnect() {
    QFETCH(QString, host);
    quint16 port = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    LauncherWindow w({host, port});
    w.window.Form_Load();

    QVERIFY(w.showsBusy());
    QTRY_COMPARE_WITH_TIMEOUT(w.platform.messages, QStringList{"Cannot connect to registry!"},
                              20000);
    QVERIFY(!w.showsBusy());
    QVERIFY(!w.platform.ended);
    QCOMPARE(w.items(), QStringList());
}

void tst_frmMain::endsOnCancel_data() {
    QTest::addColumn<Moment>("moment");
    QTest::addColumn<Way>("way");
    // Access keys are proven under a real X server, end to end: the offscreen platform does not
    // route them.
    const std::pair<const char *, Moment> moments[] = {{"before load", Moment::BeforeLoad},
                                                       {"connecting", Moment::Connecting},
                                                       {"listed", Moment::Listed}};
    for (const auto &[momentName, moment] : moments) {
        QTest::addRow("%s, Cancel", momentName) << moment << Way::CancelButton;
        QTest::addRow("%s, close box", momentName) << moment << Way::CloseBox;
    }
}

void tst_frmMain::endsOnCancel() {
    QFETCH(Moment, moment);
    QFETCH(Way, way);

    QTcpServer silent; // accepts nothing, so the connection stays in the making
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    silent.pauseAccepting();
    LauncherWindow w({QStringLiteral("127.0.0.1"), silent.serverPort()});
    if (moment != Moment::BeforeLoad)
        w.window.Form_Load();
    if (moment == Moment::Listed)
        w.window.ingestReply(ThreeServers);
    w.window.show();
    QApplication::setActiveWindow(&w.window);
    QVERIFY(QTest::qWaitForWindowActive(&w.window));

    if (way == Way::CancelButton)
        QTest::mouseClick(w.child<QPushButton>("cmdCancel"), Qt::LeftButton);
    else
        w.window.close();
    QVERIFY(w.platform.ended);
    QCOMPARE(w.platform.messages, QStringList());
    QVERIFY(w.platform.starts.isEmpty());
}

void tst_frmMain::connectButton_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("clientStarts");
    // What the client was started with, if anything; the message shown, if any.
    QTest::addColumn<Words>("started");
    QTest::addColumn<QString>("message");

    const QString select = "Please select a server to connect to.";
    QTest::newRow("before the reply") << QByteArray() << -1 << true << Words() << select;
    QTest::newRow("empty list") << replyLead() << -1 << true << Words() << select;
    QTest::newRow("first") << ThreeServers << 0 << true << Words{Client, "10.0.0.5", "5000", "2"}
                           << QString();
    QTest::newRow("second, tileset 0")
        << ThreeServers << 1 << true << Words{Client, "10.0.0.6", "5001", "0"} << QString();
    QTest::newRow("third, tileset 255")
        << ThreeServers << 2 << true << Words{Client, "h.example", "7000", "255"} << QString();
    // Vanishing would look like success: the user keeps the window to try again.
    QTest::newRow("client cannot start")
        << ThreeServers << 0 << false << Words{Client, "10.0.0.5", "5000", "2"}
        << "The game client could not be started:\n/opt/brelgan/brelgan.bin";
}

void tst_frmMain::connectButton() {
    QFETCH(QByteArray, reply);
    QFETCH(int, index);
    QFETCH(bool, clientStarts);
    QFETCH(Words, started);
    QFETCH(QString, message);

    LauncherWindow w;
    w.platform.startSucceeds = clientStarts;
    w.window.ingestReply(reply);
    if (index >= 0)
        w.list()->setCurrentIndex(index);
    QTest::mouseClick(w.child<QPushButton>("cmdConnect"), Qt::LeftButton);

    QCOMPARE(w.platform.starts.size(), started.isEmpty() ? 0 : 1);
    if (!started.isEmpty())
        QCOMPARE(Words{w.platform.starts[0].program} + w.platform.starts[0].arguments, started);
    QCOMPARE(w.platform.messages, message.isEmpty() ? QStringList() : QStringList{message});
    // The launcher ends exactly when the client is on its way.
    QCOMPARE(w.platform.ended, !started.isEmpty() && clientStarts);
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
