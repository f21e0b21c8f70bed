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

using Words = QList<QByteArray>;
const QByteArray Client = "/opt/brelgan/brelgan.bin";

} // namespace

class tst_frmMain : public QObject {
    Q_OBJECT

private slots:
    void initialState();
    void showsFirstServerOfReply_data();
    void showsFirstServerOfReply();
    void endsOnCancel_data();
    void endsOnCancel();
    void connectButton_data();
    void connectButton();
};

void tst_frmMain::initialState() {
    Window w;
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
    QTest::newRow("megabyte description without a blank is cut for display")
        << replyLead() + encodeRecord({"a", "b", "Long", QByteArray(1 << 20, 'D'), 9})
        << QStringList{"Long"} << QString(65536, 'D') << "Tileset Number: 9";
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

    Window w;
    w.platform.startSucceeds = clientStarts;
    w.ingest(reply);
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
