// The conversation with a registry, against a real QTcpServer on loopback playing the registry:
// replies in pieces and broken ones, and the moments where the launcher lets pending events run
// while it holds the reply.
#include "LauncherWindow.h"
#include "sample_reply.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QByteArray Request = "\x00\x02\x03\x01"_ba;
const QByteArray Ack = "\x00\x01\x04"_ba;
const QByteArray FirstRecord = encodeRecord({"10.0.0.5", "5000", "Ashmere", "Fens", 2});
const QByteArray SecondRecord = encodeRecord({"10.0.0.6", "5001", "Brack", "Hills", 12});
const QByteArray TwoServers = replyLead() + FirstRecord + SecondRecord;

// How the registry ends its side once its bytes are out.
enum class Ending { WaitsForAck, HangsUp };

// The registry's side of one connection, a QTcpServer on loopback, and a launcher window that
// has connected to it and asked for the list. A short stall time keeps cut replies quick to test.
struct Conversation : QTcpServer, LauncherWindow {
    explicit Conversation(qsizetype cap = ReadingLimits().maxBytes)
        : LauncherWindow({u"127.0.0.1"_s, (listen(QHostAddress::LocalHost), serverPort())},
                         {.maxBytes = cap, .stallMs = 1000}) {}

    bool start() {
        window.Form_Load();
        if (!waitForNewConnection(5000))
            return false;
        peer = nextPendingConnection();
        QObject::connect(peer, &QTcpSocket::readyRead, [this] { received += peer->readAll(); });
        return QTest::qWaitFor([this] { return received == Request; });
    }

    // The reply in two pieces as a remote registry sends them: the first a round trip after the
    // request, the rest `gapMs` later; then the registry ends as told.
    void send(const QByteArray &reply, int cut, int gapMs, Ending ending) {
        QTimer::singleShot(150, peer, [this, piece = reply.first(cut)] { write(piece); });
        QTimer::singleShot(150 + gapMs, peer, [this, rest = reply.sliced(cut), ending] {
            ackedEarly = received.size() > Request.size();
            write(rest);
            if (ending == Ending::HangsUp)
                peer->disconnectFromHost();
        });
    }
    void write(const QByteArray &piece) {
        peer->write(piece);
        peer->flush();
    }
    QTcpSocket *launcherSide() const { return window.findChild<QTcpSocket *>(); }

    QTcpSocket *peer = nullptr;
    QByteArray received;
    bool ackedEarly = false;
};

// Something the registry or the user does while the launcher lets events run with the reply in
// hand; nothing, when empty.
using Happening = std::function<void(Conversation &)>;

} // namespace

Q_DECLARE_METATYPE(Ending)
Q_DECLARE_METATYPE(Happening)

class tst_RegistryQuery : public QObject {
    Q_OBJECT

private slots:
    void conversation_data();
    void conversation();
};

// Whatever the registry sends, in whatever pieces, the launcher lists the whole records it read
// and acknowledges once after the last piece. It ends when nothing is listed: the registry hung up
// without a word, or the user cancelled.
void tst_RegistryQuery::conversation_data() {
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<int>("cut");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<Ending>("ending");
    QTest::addColumn<qsizetype>("cap");
    // The events run at which the happening happens: 1 before the launcher hangs up, 2 after.
    QTest::addColumn<int>("run");
    QTest::addColumn<Happening>("happening");
    QTest::addColumn<QStringList>("listed");

    const QStringList both{"Ashmere", "Brack"};
    const QStringList first{"Ashmere"};
    const int firstEnd = int(replyLead().size() + FirstRecord.size());
    const int inName = int(TwoServers.indexOf("Ashmere")) + 3;
    const QByteArray cut = TwoServers.left(TwoServers.indexOf("Brack") + 2);
    const QByteArray one = TwoServers.left(firstEnd);
    const qsizetype noCap = ReadingLimits().maxBytes;
    const Happening none;
    const Happening more = [](Conversation &c) {
        c.write(SecondRecord);
        QTRY_COMPARE(c.launcherSide()->bytesAvailable(), SecondRecord.size());
    };
    const Happening closes = [](Conversation &c) {
        c.peer->disconnectFromHost();
        QTRY_VERIFY(c.launcherSide()->state() != QAbstractSocket::ConnectedState);
    };
    const Happening cancels = [](Conversation &c) { c.window.cmdCancel_Click(); };

    // The bytes in hand end like a whole reply, but more is on its way.
    QTest::newRow("split right after a record's end")
        << TwoServers << firstEnd << 60 << Ending::WaitsForAck << noCap << 0 << none << both;
    // Longer than a whole reply would be left to settle, but inside a record: surely not the end.
    QTest::newRow("long pause inside a record")
        << TwoServers << inName << 450 << Ending::WaitsForAck << noCap << 0 << none << both;
    QTest::newRow("stalls inside a record")
        << cut << 0 << 0 << Ending::WaitsForAck << noCap << 0 << none << first;
    QTest::newRow("hangs up inside a record")
        << cut << 0 << 0 << Ending::HangsUp << noCap << 0 << none << first;
    QTest::newRow("grows past the cap") << TwoServers << 0 << 0 << Ending::WaitsForAck
                                        << qsizetype(firstEnd + 3) << 0 << none << first;
    QTest::newRow("hangs up before a byte")
        << QByteArray() << 0 << 0 << Ending::HangsUp << noCap << 0 << none << QStringList();
    QTest::newRow("rest arrives while events run")
        << one << 0 << 0 << Ending::WaitsForAck << noCap << 1 << more << both;
    QTest::newRow("hangs up while events run")
        << one << 0 << 0 << Ending::WaitsForAck << noCap << 1 << closes << first;
    QTest::newRow("user cancels while events run")
        << one << 0 << 0 << Ending::WaitsForAck << noCap << 1 << cancels << QStringList();
    QTest::newRow("user cancels after the hang-up")
        << one << 0 << 0 << Ending::WaitsForAck << noCap << 2 << cancels << QStringList();
}

void tst_RegistryQuery::conversation() {
    QFETCH(QByteArray, sent);
    QFETCH(int, cut);
    QFETCH(int, gapMs);
    QFETCH(Ending, ending);
    QFETCH(qsizetype, cap);
    QFETCH(int, run);
    QFETCH(Happening, happening);
    QFETCH(QStringList, listed);

    Conversation talk(cap);
    QVERIFY(talk.start());
    talk.platform.atPendingEvents = [&](int at) {
        if (at != run)
            return;
        // The acknowledgement is already out when events first run.
        QTRY_COMPARE(talk.received, Request + Ack);
        happening(talk);
    };
    talk.send(sent, cut, gapMs, ending);

    QTRY_VERIFY_WITH_TIMEOUT(talk.platform.pendingEventRuns >= 2 || talk.platform.ended, 10000);
    QVERIFY(!talk.ackedEarly);
    if (ending == Ending::WaitsForAck)
        QTRY_COMPARE(talk.received, Request + Ack);
    QCOMPARE(talk.platform.messages,
             sent.isEmpty() ? QStringList{"There are no servers on the registry."} : QStringList());
    QCOMPARE(talk.platform.ended, listed.isEmpty());
    QCOMPARE(talk.items(), listed);
}

QTEST_MAIN(tst_RegistryQuery)
#include "tst_registryquery.moc"
