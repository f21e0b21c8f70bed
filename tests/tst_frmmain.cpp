// The window on Qt's offscreen platform, with a recording platform in place of the desktop: its
// initial state, what it shows for a reply, how it follows the selection, and how each button and
// key ends or continues the run.
#include "RecordingPlatform.h"
#include "frmMain.h"
#include "sample_reply.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTest>

namespace {

// Nothing answers here, but the port is valid: the window stays in its waiting state.
RegistryEndpoint unreachable() {
    return {QStringLiteral("127.0.0.1"), 9};
}

struct Window {
    RecordingPlatform platform;
    frmMain window{platform, unreachable()};

    template <typename T> T *child(const char *name) {
        return window.findChild<T *>(QString::fromLatin1(name));
    }
    QComboBox *list() { return child<QComboBox>("cmbServers"); }
    QString description() { return child<QPlainTextEdit>("txtDescription")->toPlainText(); }
    QString tileset() { return child<QLabel>("lblTileset")->text(); }
    void ingest(const QByteArray &reply) {
        window.ingestReply(std::string_view(reply.constData(), size_t(reply.size())));
    }
};

const QByteArray ThreeServers = replyLead() +
                                encodeRecord({"10.0.0.5", "5000", "Ashmere", "Fens", 2}) +
                                encodeRecord({"10.0.0.6", "5001", "Brack", "Hills", 0}) +
                                encodeRecord({"h.example", "7000", "Corrow", "Coast", 255});

} // namespace

class tst_frmMain : public QObject {
    Q_OBJECT

private slots:
    void initialState();
    void showsFirstServerOfReply_data();
    void showsFirstServerOfReply();
    void endsOnCancel_data();
    void endsOnCancel();
    void connectWithoutSelectionAsks_data();
    void connectWithoutSelectionAsks();
    void connectStartsSelectedServer_data();
    void connectStartsSelectedServer();
    void clientThatCannotStartKeepsWindow();
};

void tst_frmMain::initialState() {
    Window w;
    QCOMPARE(w.window.windowTitle(), QStringLiteral("Wendrake"));
    QCOMPARE(w.window.size(), QSize(281, 169));
    QCOMPARE(w.list()->count(), 0);
    QVERIFY(!w.list()->isEditable());
    QCOMPARE(w.description(), QString());
    QCOMPARE(w.tileset(), QStringLiteral("Tileset Number: 0"));
    QCOMPARE(w.child<QPushButton>("cmdCancel")->text(), QStringLiteral("C&ancel"));
    QCOMPARE(w.child<QPushButton>("cmdConnect")->text(), QStringLiteral("&Connect"));
    QCOMPARE(w.window.font().family(), QStringLiteral("Verdana"));
    QCOMPARE(w.window.font().pointSizeF(), 8.25);

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

void tst_frmMain::showsFirstServerOfReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("tileset");

    QTest::newRow("three servers")
        << ThreeServers << QStringList{"Ashmere", "Brack", "Corrow"} << "Fens"
        << "Tileset Number: 2";
    QTest::newRow("tileset 0") << replyLead() + encodeRecord({"a", "b", "Zero", "none", 0})
                               << QStringList{"Zero"} << "none"
                               << "Tileset Number: 0";
    QTest::newRow("tileset 255") << replyLead() + encodeRecord({"a", "b", "Max", "all", 255})
                                 << QStringList{"Max"} << "all"
                                 << "Tileset Number: 255";
    QTest::newRow("Windows-1252 texts")
        << replyLead() + encodeRecord({"a", "b", "Caf\xe9 \x80\x99", "\x93quoted\x94 \x81", 7})
        << QStringList{QString::fromUtf8("Café €™")} << QString::fromUtf8("“quoted” \u0081")
        << "Tileset Number: 7";
    QTest::newRow("no servers") << replyLead() << QStringList() << QString() << "Tileset Number: 0";
    QTest::newRow("cut record keeps the whole ones")
        << replyLead() + encodeRecord({"a", "b", "Whole", "kept", 3}) + QByteArray("x\0y\0Cut", 7)
        << QStringList{"Whole"} << "kept"
        << "Tileset Number: 3";
}

void tst_frmMain::showsFirstServerOfReply() {
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, names);
    QFETCH(QString, description);
    QFETCH(QString, tileset);

    Window w;
    w.ingest(reply);
    QStringList listed;
    for (int i = 0; i < w.list()->count(); ++i)
        listed << w.list()->itemText(i);
    QCOMPARE(listed, names);
    QCOMPARE(w.list()->currentIndex(), names.isEmpty() ? -1 : 0);
    QCOMPARE(w.window.serverTable().serverCount(), names.size());
    QCOMPARE(w.description(), description);
    QCOMPARE(w.tileset(), tileset);
}

void tst_frmMain::endsOnCancel_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("how");
    for (const char *state : {"loading", "connecting", "listed"}) {
        // Access keys are proven under a real X server, end to end: the offscreen platform does not
        // route them.
        for (const char *how : {"click", "close box"})
            QTest::addRow("%s, %s", state, how) << state << how;
    }
}

void tst_frmMain::endsOnCancel() {
    QFETCH(QString, state);
    QFETCH(QString, how);

    QTcpServer silent; // accepts nothing, so the connection stays in the making
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    silent.pauseAccepting();
    RecordingPlatform platform;
    frmMain window(platform, {QStringLiteral("127.0.0.1"), silent.serverPort()});
    if (state != "loading")
        window.Form_Load();
    if (state == "listed")
        window.ingestReply(std::string_view(ThreeServers.constData(), size_t(ThreeServers.size())));
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));

    if (how == "click")
        QTest::mouseClick(window.findChild<QPushButton *>("cmdCancel"), Qt::LeftButton);
    else
        window.close();
    QVERIFY(platform.ended);
    QCOMPARE(platform.messages, QStringList());
    QVERIFY(platform.starts.isEmpty());
}

void tst_frmMain::connectWithoutSelectionAsks_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("before the reply") << QByteArray();
    QTest::newRow("empty list") << replyLead();
}

void tst_frmMain::connectWithoutSelectionAsks() {
    QFETCH(QByteArray, reply);
    Window w;
    if (!reply.isEmpty())
        w.ingest(reply);
    QTest::mouseClick(w.child<QPushButton>("cmdConnect"), Qt::LeftButton);
    QCOMPARE(w.platform.messages, QStringList{"Please select a server to connect to."});
    QVERIFY(w.platform.starts.isEmpty());
    QVERIFY(!w.platform.ended);
    QCOMPARE(w.tileset(), QStringLiteral("Tileset Number: 0"));
}

void tst_frmMain::connectStartsSelectedServer_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QList<QByteArray>>("arguments");
    QTest::newRow("first") << 0 << QList<QByteArray>{"10.0.0.5", "5000", "2"};
    QTest::newRow("second, tileset 0") << 1 << QList<QByteArray>{"10.0.0.6", "5001", "0"};
    QTest::newRow("third, tileset 255") << 2 << QList<QByteArray>{"h.example", "7000", "255"};
}

void tst_frmMain::connectStartsSelectedServer() {
    QFETCH(int, index);
    QFETCH(QList<QByteArray>, arguments);
    Window w;
    w.ingest(ThreeServers);
    w.list()->setCurrentIndex(index);
    QTest::mouseClick(w.child<QPushButton>("cmdConnect"), Qt::LeftButton);

    QCOMPARE(w.platform.starts.size(), 1);
    QCOMPARE(w.platform.starts[0].program, QByteArray("/opt/brelgan/brelgan.bin"));
    QCOMPARE(w.platform.starts[0].arguments, arguments);
    QVERIFY(w.platform.ended);
    QCOMPARE(w.platform.messages, QStringList());
}

void tst_frmMain::clientThatCannotStartKeepsWindow() {
    Window w;
    w.platform.startSucceeds = false;
    w.ingest(ThreeServers);
    w.window.cmdConnect_Click();
    QCOMPARE(w.platform.starts.size(), 1);
    QCOMPARE(w.platform.messages.size(), 1);
    QVERIFY(w.platform.messages[0].contains("could not be started"));
    QVERIFY(w.platform.messages[0].contains("/opt/brelgan/brelgan.bin"));
    QVERIFY(!w.platform.ended);
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
