// The server table reading a reply in hand, beside its floor, one memchr pass over the same bytes.
// The reply is appended whole, in pieces of a TCP segment, and one byte at a time, then ended with
// replyOver(). A registry's bytes come in pieces of any size, so reading them must stay linear
// however they are cut: the one-byte row against the whole one is the cost of a call per byte.
#include "ServerTable.h"
#include "realistic_servers.h"

#include <QTest>

#include <algorithm>
#include <cstring>

namespace {

// Built once per size: the servers take longer to make than to parse.
const QByteArray &replyOf(int servers) {
    static QHash<int, QByteArray> replies;
    if (!replies.contains(servers))
        replies.insert(servers, encodeServerList(realisticServers(servers)));
    return replies[servers];
}

} // namespace

class tst_BenchReply : public QObject {
    Q_OBJECT

private slots:
    void table_data() {
        QTest::addColumn<int>("servers");
        QTest::addColumn<int>("piece"); // bytes an append; 0: the whole reply
        for (const int servers : {1'000, 100'000}) {
            QTest::addRow("%d servers, whole", servers) << servers << 0;
            QTest::addRow("%d servers, 1448 bytes", servers) << servers << 1448;
            QTest::addRow("%d servers, 1 byte", servers) << servers << 1;
        }
    }
    void table() {
        QFETCH(int, servers);
        QFETCH(int, piece);
        const QByteArrayView reply = replyOf(servers);
        const qsizetype step = piece > 0 ? piece : reply.size();
        qint32 listed = 0;
        QBENCHMARK {
            ServerTable table;
            for (qsizetype at = 0; at < reply.size(); at += step)
                table.append(reply.sliced(at, std::min(step, reply.size() - at)));
            table.replyOver();
            listed = table.serverCount();
        }
        QCOMPARE(listed, servers);
    }

    void memchrFloor_data() {
        QTest::addColumn<int>("servers");
        for (const int servers : {1'000, 100'000})
            QTest::addRow("%d servers", servers) << servers;
    }
    void memchrFloor() {
        QFETCH(int, servers);
        const QByteArray &bytes = replyOf(servers);
        int ends = 0;
        QBENCHMARK {
            ends = 0;
            for (const char *at = bytes.data(), *end = at + bytes.size();
                 (at = static_cast<const char *>(std::memchr(at, 0x04, size_t(end - at)))); ++at)
                ++ends;
        }
        QCOMPARE(ends, servers + 1);
    }
};

QTEST_GUILESS_MAIN(tst_BenchReply)
#include "tst_bench_reply.moc"
