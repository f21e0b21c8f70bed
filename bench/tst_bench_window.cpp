// The window against dev-registry with replies of many servers, up to the largest the launcher
// reads (64 MiB of 6-byte records), each beside its floor:
// - the first opening of the drop-down with every server listed, beside a bare combo box (see
//   bareDropDown);
// - the longest time the event loop did not run, from the start until the reply is read, listed
//   and acknowledged: how long Cancel can wait. A 10 ms timer notes the gaps between its ticks; the
//   floor is the same window given no servers;
// - the process's peak memory (VmHWM), beside the same window given no servers. It is a high-water
//   mark, so scripts/bench runs each of those rows in a process of its own.
// Run it under a display (Xvfb), where the drop-down is a real popup window.
#include "DevRegistry.h"
#include "RecordingPlatform.h"
#include "frmMain.h"
#include "realistic_servers.h"

#include <QComboBox>
#include <QFile>
#include <QListView>
#include <QStringListModel>

#include <algorithm>

namespace {

// dev-registry's smallest-records-64mib: 11 184 810 records of four empty texts after the lead.
constexpr int SmallestRecords = 11'184'810;

void addSizes(std::initializer_list<int> sizes) {
    QTest::addColumn<int>("servers");
    for (const int servers : sizes) {
        if (servers == SmallestRecords)
            QTest::newRow("64 MiB of 6-byte records") << servers;
        else if (servers == 0)
            QTest::newRow("no servers") << servers;
        else
            QTest::addRow("%d servers", servers) << servers;
    }
}

QStringList replyArguments(int servers) {
    if (servers == SmallestRecords)
        return {"--scenario", "smallest-records-64mib"};
    return {"--servers", realisticServersFile(servers)};
}

// The window as the launcher shows it, against dev-registry serving `servers`. The registry does
// not hang up, so the reading ends the launcher's way: after its quiet time, or at 64 MiB.
struct ListedWindow {
    explicit ListedWindow(int servers) : registry(replyArguments(servers)) {}

    // False unless the reply is read and acknowledged and the launcher has hung up.
    bool load() {
        if (registry.port == 0)
            return false;
        window.show();
        window.Form_Load();
        return await(
            [this] { return registry.hungUp && window.cursor().shape() != Qt::BusyCursor; });
    }
    QComboBox *list() const { return window.findChild<QComboBox *>(QStringLiteral("cmbServers")); }

    DevRegistry registry;
    RecordingPlatform platform;
    frmMain window{platform, {QStringLiteral("127.0.0.1"), registry.port}};
};

// Timed here: Qt Test's own timer counts whole milliseconds, and a run opens the list only once.
void timeFirstOpening(QComboBox &list) {
    QElapsedTimer opening;
    opening.start();
    list.showPopup();
    QTest::setBenchmarkResult(double(opening.nsecsElapsed()) / 1e6, QTest::WalltimeMilliseconds);
    QVERIFY(list.view()->isVisible());
}

qint64 peakResidentBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    return -1;
}

} // namespace

class tst_BenchWindow : public QObject {
    Q_OBJECT

private slots:
    // The first opening after the list has filled lays out every row (later ones reuse that), so
    // each run is a fresh window opened once.
    void openDropDown_data() { addSizes({1'000, 10'000, 100'000, SmallestRecords}); }
    void openDropDown() {
        QFETCH(int, servers);
        ListedWindow listed(servers);
        QVERIFY(listed.load());
        QComboBox *list = listed.list();
        QCOMPARE(list->count(), servers);
        timeFirstOpening(*list);
    }
    // A bare combo box with the same names, items of one size and the window's popup style, opened
    // once. Opening measures no item only when both hold: the view then lays the rows out without
    // asking each, and the list scrolls, so showPopup() does not add up the height of every row
    // (Fusion's full-height popup does). The names are in a QStringListModel: the combo box's own
    // item model would take gigabytes for eleven million of them.
    void bareDropDown_data() { openDropDown_data(); }
    void bareDropDown() {
        QFETCH(int, servers);
        QStringList names;
        if (servers == SmallestRecords)
            names.resize(servers); // that reply's names are empty
        else
            for (const ServerEntry &server : realisticServers(servers))
                names.append(QString::fromLatin1(server.Name));
        QStringListModel model(names);
        RecordingPlatform platform;
        const frmMain window(platform, {});
        QComboBox combo;
        combo.setStyle(window.findChild<QComboBox *>(QStringLiteral("cmbServers"))->style());
        qobject_cast<QListView *>(combo.view())->setUniformItemSizes(true);
        combo.setModel(&model);
        combo.show();
        timeFirstOpening(combo);
    }

    // The drop-down open while the rows arrive is the worst case: after each arrival the open list
    // lays out all its rows again.
    void longestStall_data() {
        QTest::addColumn<int>("servers");
        QTest::addColumn<bool>("dropDownOpen");
        QTest::newRow("100000 servers") << 100'000 << false;
        QTest::newRow("100000 servers, drop-down open") << 100'000 << true;
        QTest::newRow("64 MiB of 6-byte records") << SmallestRecords << false;
        QTest::newRow("64 MiB of 6-byte records, drop-down open") << SmallestRecords << true;
    }
    void longestStall() {
        QFETCH(int, servers);
        QFETCH(bool, dropDownOpen);
        ListedWindow listed(servers);
        QComboBox *list = listed.list();
        if (dropDownOpen) // as soon as there is something to show, as a user would
            connect(
                list->model(), &QAbstractItemModel::rowsInserted, list,
                [list] {
                    if (!list->view()->isVisible())
                        list->showPopup();
                },
                Qt::QueuedConnection);
        double longest = 0;
        double lastTick = benchNow();
        const auto tick = [&] {
            const double now = benchNow();
            longest = std::max(longest, now - lastTick);
            lastTick = now;
        };
        QTimer ticks;
        ticks.setTimerType(Qt::PreciseTimer);
        connect(&ticks, &QTimer::timeout, tick);
        ticks.start(10);
        QVERIFY(listed.load());
        tick();
        QCOMPARE(list->count(), servers);
        QCOMPARE(list->view()->isVisible(), dropDownOpen);
        QTest::setBenchmarkResult(longest, QTest::WalltimeMilliseconds);
    }
    void longestStallFloor_data() {
        QTest::addColumn<int>("servers");
        QTest::addColumn<bool>("dropDownOpen");
        QTest::newRow("no servers") << 0 << false;
    }
    void longestStallFloor() { longestStall(); }

    void peakMemory_data() { addSizes({100'000, SmallestRecords}); }
    void peakMemory() {
        QFETCH(int, servers);
        ListedWindow listed(servers);
        QVERIFY(listed.load());
        QCOMPARE(listed.list()->count(), servers);
        QTest::setBenchmarkResult(qreal(peakResidentBytes()), QTest::BytesAllocated);
    }
    void peakMemoryFloor_data() { addSizes({0}); }
    void peakMemoryFloor() { peakMemory(); }
};

QTEST_MAIN(tst_BenchWindow)
#include "tst_bench_window.moc"
