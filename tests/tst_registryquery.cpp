// The conversation with a registry, against a real QTcpServer on loopback playing the registry:
// the bytes on the wire, replies in pieces and broken ones, and the moments where the launcher
// lets pending events run while it holds the reply.
#include "DisplayText.h"
#include "LoopbackRegistry.h"
#include "ServerListParser.h"
#include "hostile_replies.h"
#include "sample_reply.h"

#include <functional>

namespace {

QStringList namesIn(const std::vector<ServerEntry> &entries) {
    QStringList names;
    for (const ServerEntry &entry : entries)
        names.append(displayText(entry.Name));
    return names;
}

const QByteArray FirstRecord = encodeRecord({"10.0.0.5", "5000", "Ashmere", "Fens", 2});
const QByteArray TwoServers =
    replyLead() + FirstRecord + encodeRecord({"10.0.0.6", "5001", "Brack", "Hills", 12});

// Something that happens while the launcher lets events run with the reply in hand.
using Happening = std::function<void(Asked &)>;

} // namespace

Q_DECLARE_METATYPE(Ending)
Q_DECLARE_METATYPE(Happening)

class tst_RegistryQuery : public QObject {
    Q_OBJECT

private slots:
    void conversation_data();
    void conversation();
    void cancelWhileWaiting_data();
    void cancelWhileWaiting();
    void whileTheReplyIsHeld_data();
    void whileTheReplyIsHeld();
};

// Whatever the registry sends, in whatever pieces, the launcher lists exactly the whole records
// of the bytes it read, byte for byte, acknowledges once after the last piece, and ends only when
// the registry hung up without a word.
void tst_RegistryQuery::conversation_data() {
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QList<int>>("cuts");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<Ending>("ending");
    QTest::addColumn<qsizetype>("cap");
    QTest::addColumn<QStringList>("listed");

    const QStringList both{"Ashmere", "Brack"};
    const QStringList first{"Ashmere"};
    const int firstEnd = int(replyLead().size() + FirstRecord.size());
    const int inName = int(TwoServers.indexOf("Ashmere")) + 3;
    const qsizetype noCap = ReadingLimits().maxBytes;
    const auto row = [](const char *name) -> QTestData & { return QTest::newRow(name); };

    row("whole reply at once") << TwoServers << QList<int>() << 0 << Ending::WaitsForAck << noCap
                               << both;
    row("split inside a text") << TwoServers << QList<int>{inName} << 60 << Ending::WaitsForAck
                               << noCap << both;
    row("split right before a tileset byte")
        << TwoServers << QList<int>{int(TwoServers.indexOf("Fens")) + 6} << 60
        << Ending::WaitsForAck << noCap << both;
    row("split right after the leading part") << TwoServers << QList<int>{int(replyLead().size())}
                                              << 60 << Ending::WaitsForAck << noCap << both;
    // The bytes in hand end like a whole reply, but more is on its way.
    row("split right after a record's end")
        << TwoServers << QList<int>{firstEnd} << 60 << Ending::WaitsForAck << noCap << both;
    // Longer than a whole reply would be left to settle, but inside a record: surely not the end.
    row("long pause inside a record")
        << TwoServers << QList<int>{inName} << 450 << Ending::WaitsForAck << noCap << both;
    QList<int> everyByte;
    for (int i = 1; i < TwoServers.size(); ++i)
        everyByte.append(i);
    row("one byte at a time") << TwoServers << everyByte << 15 << Ending::WaitsForAck << noCap
                              << both;
    row("hangs up after the last piece")
        << TwoServers << QList<int>{inName} << 60 << Ending::HangsUp << noCap << both;
    row("resets after the last piece")
        << TwoServers << QList<int>{inName} << 60 << Ending::Resets << noCap << both;

    const QByteArray cut = TwoServers.left(TwoServers.indexOf("Brack") + 2);
    row("stalls inside a record") << cut << QList<int>{inName} << 60 << Ending::WaitsForAck << noCap
                                  << first;
    row("stops after a record") << TwoServers.left(firstEnd) << QList<int>() << 0
                                << Ending::WaitsForAck << noCap << first;
    row("hangs up inside a record")
        << cut << QList<int>() << 0 << Ending::HangsUp << noCap << first;
    row("resets inside a record") << cut << QList<int>() << 0 << Ending::Resets << noCap << first;
    row("grows past the cap") << TwoServers << QList<int>() << 0 << Ending::WaitsForAck
                              << qsizetype(firstEnd + 3) << first;
    row("hangs up before a byte") << QByteArray() << QList<int>() << 0 << Ending::HangsUp << noCap
                                  << QStringList();
    row("resets before a byte") << QByteArray() << QList<int>() << 0 << Ending::Resets << noCap
                                << QStringList();

    for (const char *scenario : {"garbage", "huge", "cut", "big-texts", "control-texts", "reset"}) {
        const QByteArray bytes = hostileReply(scenario).bytes;
        QTest::addRow("hostile: %s", scenario)
            << bytes << QList<int>() << 0
            << (qstrcmp(scenario, "reset") == 0 ? Ending::Resets : Ending::WaitsForAck) << noCap
            << namesIn(parseServerList(bytes));
    }
}

void tst_RegistryQuery::conversation() {
    QFETCH(QByteArray, sent);
    QFETCH(QList<int>, cuts);
    QFETCH(int, gapMs);
    QFETCH(Ending, ending);
    QFETCH(qsizetype, cap);
    QFETCH(QStringList, listed);

    Asked asked({.maxBytes = cap, .stallMs = 1000});
    QVERIFY(asked.start());
    QVERIFY(asked.showsBusy());
    asked.send(sent, cuts, gapMs, ending);

    const bool closedFirst = sent.isEmpty() && ending != Ending::WaitsForAck;
    QTRY_VERIFY_WITH_TIMEOUT(asked.platform.pendingEventRuns >= (closedFirst ? 1 : 2), 20000);
    QVERIFY(!asked.showsBusy());
    QVERIFY(!asked.ackedEarly);
    if (ending == Ending::WaitsForAck)
        QTRY_COMPARE(asked.received, SentRequest + SentAck);
    QCOMPARE(asked.platform.messages,
             closedFirst ? QStringList{"There are no servers on the registry."} : QStringList());
    QCOMPARE(asked.platform.ended, closedFirst);

    QCOMPARE(asked.items(), listed);
    const std::vector<ServerEntry> records =
        parseServerList(sent.first(std::min(cap, sent.size())));
    const ServerTable &servers = asked.window.serverTable();
    QCOMPARE(size_t(servers.serverCount()), records.size());
    for (qint32 i = 0; i < servers.serverCount(); ++i)
        QVERIFY2(servers.entry(i) == records[size_t(i)], qPrintable(QString::number(i)));
}

// Cancel ends the program at once while the launcher waits for a reply, and nothing is
// acknowledged or listed after that.
void tst_RegistryQuery::cancelWhileWaiting_data() {
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("registry never answers") << QByteArray();
    QTest::newRow("reply still settling") << TwoServers;
}

void tst_RegistryQuery::cancelWhileWaiting() {
    QFETCH(QByteArray, sent);
    Asked asked;
    QVERIFY(asked.start());
    // Connected after the launcher's own handler, so it runs once the launcher has read them.
    bool read = false;
    QObject::connect(asked.launcherSide(), &QTcpSocket::readyRead, [&read] { read = true; });
    asked.peer->write(sent);
    QTRY_VERIFY(sent.isEmpty() || read);

    asked.window.cmdCancel_Click();
    QVERIFY(asked.platform.ended);
    // Well past any settle time.
    QTest::qWait(500);
    QCOMPARE(asked.received, SentRequest);
    QCOMPARE(asked.items(), QStringList());
    QCOMPARE(asked.platform.pendingEventRuns, 0);
    QCOMPARE(asked.platform.messages, QStringList());
}

// What happens while the launcher lets pending events run with the reply in hand: before it
// hangs up (run 1) and after (run 2).
void tst_RegistryQuery::whileTheReplyIsHeld_data() {
    QTest::addColumn<int>("run");
    QTest::addColumn<Happening>("happening");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<bool>("ended");

    const QByteArray second = encodeRecord({"10.0.0.6", "5001", "Brack", "Hills", 12});
    // Half a record, then the rest: before the hang-up the pieces join in arrival order; after it
    // they are not read at all.
    const Happening more = [second](Asked &a) {
        a.peer->write(second.left(5));
        a.peer->flush();
        QTRY_VERIFY(a.launcherSide()->bytesAvailable() >= 5);
        a.peer->write(second.mid(5));
        a.peer->flush();
        QTRY_VERIFY(a.launcherSide()->bytesAvailable() >= second.size());
    };
    const Happening closes = [](Asked &a) {
        a.peer->disconnectFromHost();
        QTRY_VERIFY(a.launcherSide()->state() != QAbstractSocket::ConnectedState);
    };
    const Happening moreThenCloses = [second](Asked &a) {
        a.peer->write(second);
        a.peer->disconnectFromHost();
        QTRY_VERIFY(a.launcherSide()->state() != QAbstractSocket::ConnectedState);
    };
    const Happening resets = [](Asked &a) {
        a.reset();
        QTRY_VERIFY(a.launcherSide()->state() != QAbstractSocket::ConnectedState);
    };
    const Happening moreAfterHangUp = [second](Asked &a) {
        a.peer->write(second);
        a.peer->flush();
        // Nothing can be awaited: the launcher no longer listens.
        QTest::qWait(50);
    };
    const Happening cancels = [](Asked &a) { a.window.cmdCancel_Click(); };

    QTest::newRow("rest of the reply arrives")
        << 1 << more << QStringList{"Ashmere", "Brack"} << false;
    QTest::newRow("registry hangs up") << 1 << closes << QStringList{"Ashmere"} << false;
    QTest::newRow("rest arrives, then the registry hangs up")
        << 1 << moreThenCloses << QStringList{"Ashmere", "Brack"} << false;
    QTest::newRow("registry resets") << 1 << resets << QStringList{"Ashmere"} << false;
    QTest::newRow("user cancels") << 1 << cancels << QStringList() << true;
    QTest::newRow("more after the hang-up is not read")
        << 2 << moreAfterHangUp << QStringList{"Ashmere"} << false;
    QTest::newRow("user cancels after the hang-up") << 2 << cancels << QStringList() << true;
}

void tst_RegistryQuery::whileTheReplyIsHeld() {
    QFETCH(int, run);
    QFETCH(Happening, happening);
    QFETCH(QStringList, listed);
    QFETCH(bool, ended);

    Asked asked;
    QVERIFY(asked.start());
    asked.platform.atPendingEvents = [&](int at) {
        if (at != run)
            return;
        // The acknowledgement is already out when events first run.
        QTRY_COMPARE(asked.received, SentRequest + SentAck);
        happening(asked);
    };
    asked.peer->write(replyLead() + FirstRecord);

    QTRY_VERIFY(asked.platform.pendingEventRuns >= 2 || asked.platform.ended);
    QCOMPARE(asked.items(), listed);
    QCOMPARE(asked.platform.messages, QStringList());
    QCOMPARE(asked.platform.ended, ended);
    QCOMPARE(asked.received, SentRequest + SentAck);
}

QTEST_MAIN(tst_RegistryQuery)
#include "tst_registryquery.moc"
