// The window against a registry a round trip away, on loopback: dev-registry --link sends a reply
// of realistic servers in flights of TCP segments, as a remote registry does. Each row logs how
// many servers are listed of those sent (the floor: all of them), and its figure is the time from
// the reply's last byte leaving the registry to the list on screen. A reader that knew the reply's
// length would need no wait there: its floor is the list fill of tst_bench_reply, under a
// millisecond for 3 000 servers.
#include "RecordingPlatform.h"
#include "frmMain.h"
#include "realistic_servers.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

namespace {

QElapsedTimer benchClock;
double now() {
    return double(benchClock.nsecsElapsed()) / 1e6;
}

// Runs events as the launcher's own loop does, at once as they come, until done() holds or 20 s
// have passed. QTRY_* would not do here: QTest::qWait sleeps 10 ms between batches of events, which
// would delay both the launcher and the measuring.
bool await(const std::function<bool()> &done) {
    QTimer wake; // so that a check is not left waiting for an event that never comes
    wake.start(100);
    for (QDeadlineTimer deadline(20'000); !done() && !deadline.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

// dev-registry on a port the system picks, serving `reply` as a registry `rttMs` away would. Its
// log tells when the reply's last byte left and when the launcher hung up.
struct LinkedRegistry {
    QTemporaryFile replyFile;
    QProcess process;
    qsizetype unsent = 0;
    quint16 port = 0;
    double lastByteAt = -1;
    bool hungUp = false;

    LinkedRegistry(const QByteArray &reply, int rttMs) : unsent(reply.size()) {
        QVERIFY(replyFile.open() && replyFile.write(reply) == reply.size() && replyFile.flush());
        process.setReadChannel(QProcess::StandardError);
        QObject::connect(&process, &QProcess::readyReadStandardError, [this] { readLog(); });
        process.start(QStringLiteral(DEV_REGISTRY), {"--port", "0", "--raw", replyFile.fileName(),
                                                     "--link", QString::number(rttMs)});
    }
    ~LinkedRegistry() {
        process.kill();
        process.waitForFinished();
    }
    void readLog() {
        while (process.canReadLine()) {
            const QList<QByteArray> words = process.readLine().trimmed().split(' ');
            if (words[0] == "listening")
                port = quint16(words[2].mid(words[2].lastIndexOf(':') + 1).toUInt());
            else if (words[0] == "sent" && (unsent -= words[1].toLongLong()) == 0)
                lastByteAt = now();
            else if (words[0] == "peer")
                hungUp = true;
        }
    }
};

} // namespace

class tst_BenchLink : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { benchClock.start(); }
    void window_data();
    void window();
};

void tst_BenchLink::window_data() {
    QTest::addColumn<int>("rttMs");
    QTest::addColumn<int>("servers");
    for (const int rttMs : {10, 50, 150})
        for (const int servers : {30, 300, 3'000})
            QTest::addRow("%d ms, %d servers", rttMs, servers) << rttMs << servers;
}

void tst_BenchLink::window() {
    QFETCH(int, rttMs);
    QFETCH(int, servers);
    LinkedRegistry registry(encodeServerList(realisticServers(servers)), rttMs);
    QVERIFY(await([&] { return registry.port != 0; }));

    RecordingPlatform platform;
    frmMain window(platform, {QStringLiteral("127.0.0.1"), registry.port});
    window.show();
    auto *list = window.findChild<QComboBox *>(QStringLiteral("cmbServers"));
    double shownAt = -1;
    // The list is on screen once the handler that fills it has returned and the window is painted.
    connect(list->model(), &QAbstractItemModel::rowsInserted, &window, [&] {
        QTimer::singleShot(0, &window, [&] {
            window.repaint();
            shownAt = now();
        });
    });
    window.Form_Load();
    QVERIFY(await([&] { return shownAt >= 0 && registry.hungUp; }));

    qInfo("%d of %d servers listed", list->count(), servers);
    if (registry.lastByteAt < 0)
        QSKIP("the launcher hung up before the registry had sent the whole reply");
    QTest::setBenchmarkResult(shownAt - registry.lastByteAt, QTest::WalltimeMilliseconds);
}

QTEST_MAIN(tst_BenchLink)
#include "tst_bench_link.moc"
