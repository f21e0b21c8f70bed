// What the launcher does with a reply in hand, each beside its floor: the parser against one memchr
// pass over the same bytes; the window listing the servers against a bare combo box given the
// names; the drop-down of the window's list opened against a bare one that measures no item (see
// bareDropDown). Run it under a display (Xvfb), where the drop-down is a real popup window.
#include "RecordingPlatform.h"
#include "ServerListParser.h"
#include "frmMain.h"
#include "realistic_servers.h"

#include <QComboBox>
#include <QListView>
#include <QTest>

#include <cstring>

namespace {

struct Reply {
    QByteArray bytes;
    QStringList names;
};

// Built once per size: a million servers take longer to make than to parse.
const Reply &replyOf(int servers) {
    static QHash<int, Reply> replies;
    if (!replies.contains(servers)) {
        const QList<ServerEntry> list = realisticServers(servers);
        Reply &reply = replies[servers];
        reply.bytes = encodeServerList(list);
        for (const ServerEntry &server : list)
            reply.names.append(QString::fromLatin1(server.Name));
    }
    return replies[servers];
}

void addSizes(std::initializer_list<int> sizes) {
    QTest::addColumn<int>("servers");
    for (const int servers : sizes)
        QTest::addRow("%d servers", servers) << servers;
}

} // namespace

class tst_BenchReply : public QObject {
    Q_OBJECT

private slots:
    void parse_data() { addSizes({1'000, 100'000, 1'000'000}); }
    void parse() {
        QFETCH(int, servers);
        const Reply &reply = replyOf(servers);
        size_t parsed = 0;
        QBENCHMARK {
            parsed = parseServerList(reply.bytes).size();
        }
        QCOMPARE(parsed, size_t(servers));
    }
    void memchrFloor_data() { parse_data(); }
    void memchrFloor() {
        QFETCH(int, servers);
        const QByteArray &bytes = replyOf(servers).bytes;
        int ends = 0;
        QBENCHMARK {
            ends = 0;
            for (const char *at = bytes.data(), *end = at + bytes.size();
                 (at = static_cast<const char *>(std::memchr(at, 0x04, size_t(end - at)))); ++at)
                ++ends;
        }
        QCOMPARE(ends, servers + 1);
    }

    // Each run builds and shows a fresh window: the 0 row is that alone.
    void listFill_data() { addSizes({0, 1'000, 10'000, 100'000}); }
    void listFill() {
        QFETCH(int, servers);
        const Reply &reply = replyOf(servers);
        RecordingPlatform platform;
        QBENCHMARK {
            frmMain window(platform, {});
            window.show();
            window.ingestReply(reply.bytes);
            window.repaint();
        }
    }
    void bareComboFill_data() { listFill_data(); }
    void bareComboFill() {
        QFETCH(int, servers);
        const Reply &reply = replyOf(servers);
        QBENCHMARK {
            QComboBox combo;
            combo.setGeometry(8, 8, 265, 21);
            combo.show();
            combo.addItems(reply.names);
            combo.repaint();
        }
    }

    void openDropDown_data() { addSizes({1'000, 10'000, 100'000}); }
    void openDropDown() {
        QFETCH(int, servers);
        RecordingPlatform platform;
        frmMain window(platform, {});
        window.show();
        window.ingestReply(replyOf(servers).bytes);
        auto *list = window.findChild<QComboBox *>(QStringLiteral("cmbServers"));
        QCOMPARE(list->count(), servers);
        QBENCHMARK {
            list->showPopup();
            QVERIFY(list->view()->isVisible());
            list->hidePopup();
        }
    }
    // Opening measures no item only when both hold: the items are of one size, so the view lays
    // them out without asking each, and the style (the window's) shows a scrolling list, so
    // showPopup() does not add up the height of every row (Fusion's full-height popup does).
    void bareDropDown_data() { openDropDown_data(); }
    void bareDropDown() {
        QFETCH(int, servers);
        RecordingPlatform platform;
        const frmMain window(platform, {});
        QComboBox combo;
        combo.setStyle(window.findChild<QComboBox *>(QStringLiteral("cmbServers"))->style());
        qobject_cast<QListView *>(combo.view())->setUniformItemSizes(true);
        combo.addItems(replyOf(servers).names);
        combo.show();
        QBENCHMARK {
            combo.showPopup();
            QVERIFY(combo.view()->isVisible());
            combo.hidePopup();
        }
    }
};

QTEST_MAIN(tst_BenchReply)
#include "tst_bench_reply.moc"
