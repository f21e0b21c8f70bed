// The conversation with a registry, against a real QTcpServer on loopback playing the registry:
// replies in pieces and broken ones, and the moments where the launcher lets pending events run
// while it holds the reply.
#include "LauncherWindow.h"
#include "sample_reply.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <sys/socket.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QByteArray Request = "\x00\x02\x03\x01"_ba;
const QByteArray Ack = "\x00\x01\x04"_ba;
const QByteArray FirstRecord = encodeRecord({"10.0.0.5", "5000", "Ashmere", "Fens", 2});
const QByteArray SecondRecord = encodeRecord({"10.0.0.6", "5001", "Brack", "Hills", 12});
const QByteArray TwoServers = replyLead() + FirstRecord + SecondRecord;

// How the registry ends its side once its bytes are out.
enum class Ending { WaitsForAck, HangsUp, Resets };

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
            write(rest);
            if (ending == Ending::HangsUp)
                peer->disconnectFromHost();
            if (ending == Ending::Resets) {
                const linger off = {1, 0};
                setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &off, sizeof off);
                peer->abort();
            }
        });
    }
    void write(const QByteArray &piece) {
        ackedEarly = ackedEarly || received.size() > Request.size();
        peer->write(piece);
        peer->flush();
    }
    QTcpSocket *launcherSide() const { return window.findChild<QTcpSocket *>(); }

    QTcpSocket *peer = nullptr;
    QByteArray received;
    bool ackedEarly = false;
};

// Something that happens while the launcher lets events run with the reply in hand.
using Happening = std::function<void(Conversation &)>;

} // namespace

Q_DECLARE_METATYPE(Ending)
Q_DECLARE_METATYPE(Happening)

class tst_RegistryQuery : public QObject {
    Q_OBJECT

private slots:
    void conversation_data();
    void conversation();
    void whileTheReplyIsHeld_data();
    void whileTheReplyIsHeld();
};

// Whatever the registry sends, in whatever pieces, the launcher lists the whole records it read,
// acknowledges once after the last piece, and ends only when the registry hung up without a word.
void tst_RegistryQuery::conversation_data() {
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<int>("cut");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<Ending>("ending");
    QTest::addColumn<qsizetype>("cap");
    QTest::addColumn<QStringList>("listed");

    const QStringList both{"Ashmere", "Brack"};
    const QStringList first{"Ashmere"};
    const int firstEnd = int(replyLead().size() + FirstRecord.size());
    const int inName = int(TwoServers.indexOf("Ashmere")) + 3;
    const QByteArray cut = TwoServers.left(TwoServers.indexOf("Brack") + 2);
    const qsizetype noCap = ReadingLimits().maxBytes;

    // The bytes in hand end like a whole reply, but more is on its way.
    QTest::newRow("split right after a record's end")
        << TwoServers << firstEnd << 60 << Ending::WaitsForAck << noCap << both;
    // Longer than a whole reply would be left to settle, but inside a record: surely not the end.
    QTest::newRow("long pause inside a record")
        << TwoServers << inName << 450 << Ending::WaitsForAck << noCap << both;
    QTest::newRow("stalls inside a record")
        << cut << 0 << 0 << Ending::WaitsForAck << noCap << first;
    QTest::newRow("hangs up inside a record") << cut << 0 << 0 << Ending::HangsUp << noCap << first;
    QTest::newRow("resets inside a record") << cut << 0 << 0 << Ending::Resets << noCap << first;
    QTest::newRow("grows past the cap")
        << TwoServers << 0 << 0 << Ending::WaitsForAck << qsizetype(firstEnd + 3) << first;
    QTest::newRow("hangs up before a byte")
        << QByteArray() << 0 << 0 << Ending::HangsUp << noCap << QStringList();
}

void tst_RegistryQuery::conversation() {
    QFETCH(QByteArray, sent);
    QFETCH(int, cut);
    QFETCH(int, gapMs);
    QFETCH(Ending, ending);
    QFETCH(qsizetype, cap);
    QFETCH(QStringList, listed);

    Conversation talk(cap);
    QVERIFY(talk.start());
    talk.send(sent, cut, gapMs, ending);

    const bool closedFirst = sent.isEmpty();
    QTRY_VERIFY_WITH_TIMEOUT(talk.platform.pendingEventRuns >= (closedFirst ? 1 : 2), 10000);
    QVERIFY(!talk.ackedEarly);
    if (ending == Ending::WaitsForAck)
        QTRY_COMPARE(talk.received, Request + Ack);
    QCOMPARE(talk.platform.messages,
             closedFirst ? QStringList{"There are no servers on the registry."} : QStringList());
    QCOMPARE(talk.platform.ended, closedFirst);
    QCOMPARE(talk.items(), listed);
}

// What happens while the launcher lets pending events run with the reply in hand: before it
// hangs up (run 1) and after (run 2).
void tst_RegistryQuery::whileTheReplyIsHeld_data() {
    QTest::addColumn<int>("run");
    QTest::addColumn<Happening>("happening");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<bool>("ended");

    const Happening more = [](Conversation &c) {
        c.write(SecondRecord);
        QTRY_COMPARE(c.launcherSide()->bytesAvailable(), SecondRecord.size());
    };
    const Happening closes = [](Conversation &c) {
        c.peer->disconnectFromHost();
        QTRY_VERIFY(c.launcherSide()->state() != QAbstractSocket::ConnectedState);
    };
    const Happening cancels = [](Conversation &c) { c.window.cmdCancel_Click(); };

    QTest::newRow("rest of the reply arrives")
        << 1 << more << QStringList{"Ashmere", "Brack"} << false;
    QTest::newRow("registry hangs up") << 1 << closes << QStringList{"Ashmere"} << false;
    QTest::newRow("user cancels") << 1 << cancels << QStringList() << true;
    QTest::newRow("user cancels after the hang-up") << 2 << cancels << QStringList() << true;
}

void tst_RegistryQuery::whileTheReplyIsHeld() {
    QFETCH(int, run);
    QFETCH(Happening, happening);
    QFETCH(QStringList, listed);
    QFETCH(bool, ended);

    Conversation talk;
    QVERIFY(talk.start());
    talk.platform.atPendingEvents = [&](int at) {
        if (at != run)
            return;
        // The acknowledgement is already out when events first run.
        QTRY_COMPARE(talk.received, Request + Ack);
        happening(talk);
    };
    talk.write(replyLead() + FirstRecord);

    QTRY_VERIFY(talk.platform.pendingEventRuns >= 2 || talk.platform.ended);
    QCOMPARE(talk.items(), listed);
    QCOMPARE(talk.platform.messages, QStringList());
    QCOMPARE(talk.platform.ended, ended);
    QCOMPARE(talk.received, Request + Ack);
}

QTEST_MAIN(tst_RegistryQuery)
#include "tst_registryquery.moc"
