// The conversation with a registry, against a real QTcpServer on loopback playing the registry:
// the bytes on the wire, the registry's misbehaviours, and the moments where the launcher lets
// pending events run while it holds the reply.
#include "DisplayText.h"
#include "RecordingPlatform.h"
#include "ServerListParser.h"
#include "frmMain.h"
#include "hostile_replies.h"
#include "sample_reply.h"

#include <QComboBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <sys/socket.h>

#include <memory>

namespace {

const QByteArray SentRequest("\x00\x02\x03\x01", 4);
const QByteArray SentAck("\x00\x01\x04", 3);

// The registry's side of one connection.
class Registry {
public:
    Registry() { QVERIFY(server.listen(QHostAddress::LocalHost, 0)); }

    RegistryEndpoint endpoint() const { return {QStringLiteral("127.0.0.1"), server.serverPort()}; }

    // Waits for the launcher to connect; the peer socket stays owned by the server.
    QTcpSocket *accept() {
        if (!server.hasPendingConnections() && !server.waitForNewConnection(5000))
            return nullptr;
        peer = server.nextPendingConnection();
        QObject::connect(peer, &QTcpSocket::readyRead, [this] { received += peer->readAll(); });
        return peer;
    }

    // Sends `reply` cut at `cuts` as a remote registry would: the first piece one round trip after
    // the request, each further piece `gapMs` after the last. Notes whether an acknowledgement
    // came before the last piece was out.
    void sendPaced(const QByteArray &reply, const QList<int> &cuts, int firstMs, int gapMs) {
        QList<int> bounds = cuts;
        bounds.append(int(reply.size()));
        qsizetype from = 0;
        int at = firstMs;
        for (const int bound : bounds) {
            const QByteArray piece = reply.mid(from, bound - from);
            from = bound;
            QTimer::singleShot(at, peer, [this, piece] {
                ackedEarly = ackedEarly || received.size() > 4;
                peer->write(piece);
                peer->flush();
                ++piecesSent;
            });
            at += gapMs;
        }
        pieces = int(bounds.size());
    }
    bool allSent() const { return piecesSent == pieces; }

    // Hangs up with a reset instead of an orderly close.
    void reset() {
        linger off = {1, 0};
        setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &off, sizeof off);
        peer->abort();
    }

    QTcpServer server;
    QTcpSocket *peer = nullptr;
    QByteArray received;
    bool ackedEarly = false;
    int pieces = 0;
    int piecesSent = 0;
};

// A launcher that has connected to the loopback registry and asked for the list.
struct Asked {
    // A short stall time keeps the cut replies quick to test.
    explicit Asked(ReadingLimits limits = {.stallMs = 600})
        : window(platform, registry.endpoint(), limits) {}

    Registry registry;
    RecordingPlatform platform;
    frmMain window;
    QTcpSocket *peer = nullptr;

    bool start() {
        window.Form_Load();
        peer = registry.accept();
        return peer && QTest::qWaitFor([this] { return registry.received == SentRequest; });
    }
};

QStringList items(const frmMain &window) {
    const auto *box = window.findChild<QComboBox *>(QStringLiteral("cmbServers"));
    QStringList names;
    for (int i = 0; i < box->count(); ++i)
        names.append(box->itemText(i));
    return names;
}

bool peerClosed(const QTcpSocket *peer) {
    return peer->state() == QAbstractSocket::UnconnectedState;
}

bool showsBusy(const QWidget &window) {
    return window.testAttribute(Qt::WA_SetCursor) && window.cursor().shape() == Qt::BusyCursor;
}

const QByteArray FirstRecord = encodeRecord({"10.0.0.5", "5000", "Ashmere", "Fens", 2});
const QByteArray TwoServers =
    replyLead() + FirstRecord + encodeRecord({"10.0.0.6", "5001", "Brack", "Hills", 12});

// How a registry ends its side of the conversation.
enum class Ending { WaitsForAck, HangsUp, Resets };

} // namespace

Q_DECLARE_METATYPE(Ending)

namespace {} // namespace

class tst_RegistryQuery : public QObject {
    Q_OBJECT

private slots:
    void conversationOnTheWire();
    void registryHangsUpFirst_data();
    void registryHangsUpFirst();
    void cannotConnect_data();
    void cannotConnect();
    void registryNeverAnswers();
    void hostileReply_data();
    void hostileReply();
    void whileTheReplyIsHeld_data();
    void whileTheReplyIsHeld();
    void readsUntilTheReplyIsOver_data();
    void readsUntilTheReplyIsOver();
    void cancelWhileReading();
};

void tst_RegistryQuery::conversationOnTheWire() {
    Asked asked;
    QVERIFY(asked.start());
    auto &[registry, platform, window, peer] = asked;
    QVERIFY(showsBusy(window));

    peer->write(TwoServers);
    QTRY_VERIFY(peerClosed(peer));
    QVERIFY(!showsBusy(window));
    QCOMPARE(registry.received, SentRequest + SentAck);
    QCOMPARE(items(window), QStringList({"Ashmere", "Brack"}));
    QCOMPARE(window.serverTable().serverCount(), 2);
    QCOMPARE(platform.messages, QStringList());
    QVERIFY(!platform.ended);
}

void tst_RegistryQuery::registryHangsUpFirst_data() {
    QTest::addColumn<bool>("reset");
    QTest::newRow("orderly close") << false;
    QTest::newRow("reset") << true;
}

void tst_RegistryQuery::registryHangsUpFirst() {
    QFETCH(bool, reset);
    Asked asked;
    QVERIFY(asked.start());
    auto &[registry, platform, window, peer] = asked;
    if (reset)
        registry.reset();
    else
        peer->disconnectFromHost();

    QTRY_VERIFY(platform.ended);
    QCOMPARE(platform.messages, QStringList{"There are no servers on the registry."});
    QCOMPARE(items(window), QStringList());
}

void tst_RegistryQuery::cannotConnect_data() {
    QTest::addColumn<QString>("host");
    QTest::newRow("nothing listens") << "127.0.0.1";
    QTest::newRow("host name does not resolve") << "registry.invalid";
}

void tst_RegistryQuery::cannotConnect() {
    QFETCH(QString, host);
    quint16 port = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    RecordingPlatform platform;
    frmMain window(platform, {host, port});
    window.Form_Load();

    QVERIFY(showsBusy(window));
    QTRY_COMPARE_WITH_TIMEOUT(platform.messages, QStringList{"Cannot connect to registry!"}, 20000);
    QVERIFY(!showsBusy(window));
    QTest::qWait(200);
    QCOMPARE(platform.messages.size(), 1);
    QVERIFY(!platform.ended);
    QCOMPARE(items(window), QStringList());
}

void tst_RegistryQuery::registryNeverAnswers() {
    Asked asked;
    QVERIFY(asked.start());
    auto &[registry, platform, window, peer] = asked;

    QTest::qWait(300);
    QCOMPARE(platform.messages, QStringList());
    QCOMPARE(items(window), QStringList());
    window.cmdCancel_Click();
    QVERIFY(platform.ended);
}

// Whatever a broken registry sends, the window lists exactly the whole records among the bytes it
// read, in order and byte for byte, and says nothing.
void tst_RegistryQuery::hostileReply_data() {
    QTest::addColumn<QByteArray>("scenario");
    QTest::addColumn<bool>("reset");

    QTest::newRow("garbage") << QByteArray("garbage") << false;
    QTest::newRow("16 MiB reply") << QByteArray("huge") << false;
    QTest::newRow("cut in a record") << QByteArray("cut") << false;
    QTest::newRow("reset right after the bytes") << QByteArray("reset") << true;
    QTest::newRow("1 MiB name and description") << QByteArray("big-texts") << false;
    QTest::newRow("control characters and bytes 0x80-0xFF") << QByteArray("control-texts") << false;
}

void tst_RegistryQuery::hostileReply() {
    QFETCH(QByteArray, scenario);
    QFETCH(bool, reset);
    Asked asked;
    QVERIFY(asked.start());
    auto &[registry, platform, window, peer] = asked;

    const QByteArray sent = ::hostileReply(scenario).bytes;
    peer->write(sent);
    peer->flush();
    if (reset)
        registry.reset();
    // The reply is listed by the time the launcher has let events run after hanging up.
    QTRY_VERIFY_WITH_TIMEOUT(platform.pendingEventRuns >= 2, 20000);

    const std::vector<ServerEntry> records =
        parseServerList(std::string_view(sent.constData(), size_t(sent.size())));
    const ServerTable &servers = window.serverTable();
    QCOMPARE(size_t(servers.serverCount()), records.size());
    const QStringList names = items(window);
    QCOMPARE(names.size(), servers.serverCount());
    for (qint32 i = 0; i < servers.serverCount(); ++i) {
        QVERIFY2(servers.entry(i) == records[size_t(i)], qPrintable(QString::number(i)));
        QCOMPARE(names[i], displayText(records[size_t(i)].Name));
    }
    QCOMPARE(platform.messages, QStringList());
    QVERIFY(!platform.ended);
}

// What happens while the launcher lets pending events run with the reply in hand: before it
// hangs up (run 1) and after (run 2).
void tst_RegistryQuery::whileTheReplyIsHeld_data() {
    QTest::addColumn<int>("run");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<bool>("ended");

    QTest::newRow("rest of the reply arrives")
        << 1 << "more" << QStringList{"Ashmere", "Brack"} << false;
    QTest::newRow("registry hangs up") << 1 << "close" << QStringList{"Ashmere"} << false;
    QTest::newRow("rest arrives, then the registry hangs up")
        << 1 << "more+close" << QStringList{"Ashmere", "Brack"} << false;
    QTest::newRow("registry resets") << 1 << "reset" << QStringList{"Ashmere"} << false;
    QTest::newRow("user cancels") << 1 << "cancel" << QStringList() << true;
    QTest::newRow("more after the hang-up is not read")
        << 2 << "more" << QStringList{"Ashmere"} << false;
    QTest::newRow("user cancels after the hang-up") << 2 << "cancel" << QStringList() << true;
}

void tst_RegistryQuery::whileTheReplyIsHeld() {
    QFETCH(int, run);
    QFETCH(QString, event);
    QFETCH(QStringList, listed);
    QFETCH(bool, ended);

    Asked asked;
    QVERIFY(asked.start());
    auto &[registry, platform, window, peer] = asked;

    const QByteArray second = encodeRecord({"10.0.0.6", "5001", "Brack", "Hills", 12});
    const QByteArray first = replyLead() + encodeRecord({"10.0.0.5", "5000", "Ashmere", "Fens", 2});
    auto *client = window.findChild<QTcpSocket *>();
    QVERIFY(client);
    platform.atPendingEvents = [&](int at) {
        if (at != run)
            return;
        // The acknowledgement is already out when events first run.
        QTRY_COMPARE(registry.received, SentRequest + SentAck);
        if (event == "more") {
            // Half a record, then the rest: before the hang-up the pieces must join in arrival
            // order; after it they must not be read at all.
            peer->write(second.left(5));
            peer->flush();
            if (run == 1)
                QTRY_VERIFY(client->bytesAvailable() >= 5);
            peer->write(second.mid(5));
            peer->flush();
            if (run == 1)
                QTRY_VERIFY(client->bytesAvailable() >= second.size());
            else
                QTest::qWait(50);
        } else if (event == "more+close") {
            peer->write(second);
            peer->disconnectFromHost();
            QTRY_VERIFY(client->state() != QAbstractSocket::ConnectedState);
        } else if (event == "close" || event == "reset") {
            if (event == "reset")
                registry.reset();
            else
                peer->disconnectFromHost();
            QTRY_VERIFY(client->state() != QAbstractSocket::ConnectedState);
        } else if (event == "cancel") {
            window.cmdCancel_Click();
        }
    };
    peer->write(first);

    QTRY_VERIFY(platform.pendingEventRuns >= 2 || platform.ended);
    QTest::qWait(100);
    QCOMPARE(items(window), listed);
    QCOMPARE(platform.messages, QStringList());
    QCOMPARE(platform.ended, ended);
    QCOMPARE(registry.received, SentRequest + SentAck);
}

// A remote registry's reply comes in pieces. The launcher lists what the whole of it lists, and
// acknowledges once, after the last piece; a reply that stops short, breaks off or outgrows the
// cap keeps its whole records.
void tst_RegistryQuery::readsUntilTheReplyIsOver_data() {
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QList<int>>("cuts");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<Ending>("ending");
    QTest::addColumn<qsizetype>("cap");
    QTest::addColumn<QStringList>("listed");

    const QStringList both{"Ashmere", "Brack"};
    const int leadEnd = int(replyLead().size());
    const int firstEnd =
        int(TwoServers.indexOf("Brack")) - int(QByteArray("10.0.0.6\0005001\0").size());
    const int inName = int(TwoServers.indexOf("Ashmere")) + 3;
    const int atTileset = int(TwoServers.indexOf("Fens")) + 6;
    const qsizetype noCap = ReadingLimits().maxBytes;
    QList<int> everyByte;
    for (int i = 1; i < TwoServers.size(); ++i)
        everyByte.append(i);

    QTest::newRow("split inside a text")
        << TwoServers << QList<int>{inName} << 60 << Ending::WaitsForAck << noCap << both;
    QTest::newRow("split right before a tileset byte")
        << TwoServers << QList<int>{atTileset} << 60 << Ending::WaitsForAck << noCap << both;
    QTest::newRow("split right after the leading part")
        << TwoServers << QList<int>{leadEnd} << 60 << Ending::WaitsForAck << noCap << both;
    // The bytes in hand end like a whole reply, but more is on its way.
    QTest::newRow("split right after a record's end")
        << TwoServers << QList<int>{firstEnd} << 60 << Ending::WaitsForAck << noCap << both;
    // Longer than a whole reply would be left to settle, but inside a record: surely not the end.
    QTest::newRow("long pause inside a record")
        << TwoServers << QList<int>{inName} << 450 << Ending::WaitsForAck << noCap << both;
    QTest::newRow("one byte at a time")
        << TwoServers << everyByte << 15 << Ending::WaitsForAck << noCap << both;
    QTest::newRow("hangs up after the last piece")
        << TwoServers << QList<int>{inName} << 60 << Ending::HangsUp << noCap << both;
    QTest::newRow("resets after the last piece")
        << TwoServers << QList<int>{inName} << 60 << Ending::Resets << noCap << both;

    const QByteArray cut = TwoServers.left(TwoServers.indexOf("Brack") + 2);
    const QStringList first{"Ashmere"};
    QTest::newRow("stalls inside a record")
        << cut << QList<int>{inName} << 60 << Ending::WaitsForAck << noCap << first;
    QTest::newRow("stops after a record")
        << TwoServers.left(firstEnd) << QList<int>() << 0 << Ending::WaitsForAck << noCap << first;
    QTest::newRow("hangs up inside a record")
        << cut << QList<int>() << 0 << Ending::HangsUp << noCap << first;
    QTest::newRow("resets inside a record")
        << cut << QList<int>() << 0 << Ending::Resets << noCap << first;
    QTest::newRow("grows past the cap") << TwoServers << QList<int>() << 0 << Ending::WaitsForAck
                                        << qsizetype(firstEnd + 3) << first;
}

void tst_RegistryQuery::readsUntilTheReplyIsOver() {
    QFETCH(QByteArray, sent);
    QFETCH(QList<int>, cuts);
    QFETCH(int, gapMs);
    QFETCH(Ending, ending);
    QFETCH(qsizetype, cap);
    QFETCH(QStringList, listed);

    Asked asked({.maxBytes = cap, .stallMs = 1000});
    QVERIFY(asked.start());
    auto &[registry, platform, window, peer] = asked;

    // The first piece comes a round trip after the request, as from a remote registry; the
    // pauses between pieces are well inside what that round trip lets the launcher wait.
    registry.sendPaced(sent, cuts, 150, gapMs);
    QTRY_VERIFY_WITH_TIMEOUT(registry.allSent(), 10000);
    if (ending == Ending::HangsUp)
        peer->disconnectFromHost();
    else if (ending == Ending::Resets)
        registry.reset();

    QTRY_VERIFY_WITH_TIMEOUT(platform.pendingEventRuns >= 2, 10000);
    QCOMPARE(items(window), listed);
    QVERIFY(!registry.ackedEarly);
    if (ending == Ending::WaitsForAck)
        QTRY_COMPARE(registry.received, SentRequest + SentAck);
    QCOMPARE(platform.messages, QStringList());
    QVERIFY(!platform.ended);
    QVERIFY(!showsBusy(window));
}

void tst_RegistryQuery::cancelWhileReading() {
    Asked asked;
    QVERIFY(asked.start());
    auto &[registry, platform, window, peer] = asked;
    peer->write(TwoServers);
    auto *client = window.findChild<QTcpSocket *>();
    QTRY_VERIFY(client && client->bytesAvailable() == 0);

    window.cmdCancel_Click();
    QVERIFY(platform.ended);
    // Well past any settle time: nothing is acknowledged or listed after the end.
    QTest::qWait(500);
    QCOMPARE(registry.received, SentRequest);
    QCOMPARE(items(window), QStringList());
    QCOMPARE(platform.pendingEventRuns, 0);
}

QTEST_MAIN(tst_RegistryQuery)
#include "tst_registryquery.moc"
