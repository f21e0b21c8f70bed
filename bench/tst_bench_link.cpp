// The window against a registry a round trip away, on loopback: dev-registry --link sends a reply
// of realistic servers in flights of TCP segments, as a remote registry does, in some rows with the
// segment after half the servers lost and resent a pause later. Each row logs how many servers are
// listed of those sent (the floor: all of them). Times run from the reply's last byte leaving the
// registry (its log line, read here):
// - lastServerShown: to the last server on screen. Records are listed as they arrive, so the floor
//   is the list fill alone, a millisecond or so;
// - acknowledged: to the launcher's acknowledgement in the registry's log, which waits for the
//   quiet time that ends the reading.
#include "DevRegistry.h"
#include "RecordingPlatform.h"
#include "frmMain.h"
#include "realistic_servers.h"

#include <QComboBox>

namespace {

struct Exchange {
    int listed = 0;
    // The registry sent the whole reply before the launcher hung up; the times hold only then.
    bool wholeReplySent = false;
    double lastServerShown = 0;
    double acknowledged = 0;
};

// One exchange between the window and dev-registry, with the times counted from the last byte.
Exchange exchange(int rttMs, int servers, int lossPauseMs) {
    QStringList arguments{"--servers", realisticServersFile(servers), "--link",
                          QString::number(rttMs)};
    if (lossPauseMs > 0)
        arguments << "--loss-after-record" << QString::number(servers / 2) << "--loss-pause"
                  << QString::number(lossPauseMs);
    DevRegistry registry(arguments);
    if (registry.port == 0)
        return {};

    RecordingPlatform platform;
    frmMain window(platform, {QStringLiteral("127.0.0.1"), registry.port});
    window.show();
    auto *list = window.findChild<QComboBox *>(QStringLiteral("cmbServers"));
    double shownAt = -1;
    // A server is on screen once the handler that lists it has returned and the window is painted.
    QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, &window, [&] {
        QTimer::singleShot(0, &window, [&] {
            window.repaint();
            shownAt = benchNow();
        });
    });
    window.Form_Load();
    if (!await([&] { return shownAt >= 0 && registry.hungUp; }))
        return {};
    return {list->count(), registry.sentBytes == encodeServerList(realisticServers(servers)).size(),
            shownAt - registry.lastSentAt, registry.acknowledgedAt - registry.lastSentAt};
}

} // namespace

class tst_BenchLink : public QObject {
    Q_OBJECT

private slots:
    void lastServerShown_data();
    void lastServerShown();
    void acknowledged_data() { lastServerShown_data(); }
    void acknowledged();
};

void tst_BenchLink::lastServerShown_data() {
    QTest::addColumn<int>("rttMs");
    QTest::addColumn<int>("servers");
    QTest::addColumn<int>("lossPauseMs"); // 0: nothing lost
    for (const int rttMs : {10, 50, 150})
        for (const int servers : {30, 300, 3'000})
            QTest::addRow("%d ms, %d servers", rttMs, servers) << rttMs << servers << 0;
    for (const int rttMs : {20, 50})
        for (const int lossPauseMs : {250, 600})
            QTest::addRow("%d ms, 3000 servers, lost for %d ms", rttMs, lossPauseMs)
                << rttMs << 3'000 << lossPauseMs;
}

void tst_BenchLink::lastServerShown() {
    QFETCH(int, rttMs);
    QFETCH(int, servers);
    QFETCH(int, lossPauseMs);
    const Exchange done = exchange(rttMs, servers, lossPauseMs);
    qInfo("%d of %d servers listed", done.listed, servers);
    if (!done.wholeReplySent)
        QSKIP("the launcher hung up before the registry had sent the whole reply");
    QTest::setBenchmarkResult(done.lastServerShown, QTest::WalltimeMilliseconds);
}

void tst_BenchLink::acknowledged() {
    QFETCH(int, rttMs);
    QFETCH(int, servers);
    QFETCH(int, lossPauseMs);
    const Exchange done = exchange(rttMs, servers, lossPauseMs);
    if (!done.wholeReplySent)
        QSKIP("the launcher hung up before the registry had sent the whole reply");
    QTest::setBenchmarkResult(done.acknowledged, QTest::WalltimeMilliseconds);
}

QTEST_MAIN(tst_BenchLink)
#include "tst_bench_link.moc"
