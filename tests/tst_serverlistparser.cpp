// The reply parser against a table of replies: the well-formed shapes, the quirks of the record
// end, a record cut short, and how much of each a reply still arriving already gives.
#include "ServerListParser.h"
#include "sample_reply.h"

#include <QTest>

using namespace Qt::StringLiterals;

using Entries = QList<ServerEntry>;

class tst_ServerListParser : public QObject {
    Q_OBJECT

private slots:
    void parses_data();
    void parses();
};

void tst_ServerListParser::parses_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<Entries>("entries");
    // How many of them count while more bytes may still come.
    QTest::addColumn<int>("whileArriving");

    const QByteArray lead = replyLead();
    const ServerEntry next{"e", "f", "g", "h", 3};
    const ServerEntry abcd7{"a", "b", "c", "d", 7};
    QTest::newRow("no 0x04 at all: records from the first byte")
        << "a\0b\0c\0d\0\x01\x07"_ba << Entries{abcd7} << 0;
    const ServerEntry odd{"10.0.0.5", "5000", "Ash $(x)", "\x80\r\n", 0xFF};
    QTest::newRow("records in order, texts as received, tileset unsigned")
        << lead + encodeRecord(odd) + encodeRecord(next) << Entries{odd, next} << 2;
    QTest::newRow("bytes between tileset and record end are skipped")
        << lead + "a\0b\0c\0d\0\x01\x07junk\x04"_ba + encodeRecord(next) << Entries{abcd7, next}
        << 2;
    QTest::newRow("tileset 0x04 ends the record")
        << lead + "a\0b\0c\0d\0\x01\x04"_ba + encodeRecord(next)
        << Entries{{"a", "b", "c", "d", 4}, next} << 2;
    QTest::newRow("unread byte 0x04: next record starts at the tileset byte")
        << lead + "a\0b\0c\0d\0\x04\x09"_ba + encodeRecord(next)
        << Entries{{"a", "b", "c", "d", 9}, {"\te", "f", "g", "h", 3}} << 2;
    QTest::newRow("last record without its end: the next starts at its unread byte")
        << lead + encodeRecord(next) + "a\0b\0c\0d\0XY\0\0\0\0ZW"_ba
        << Entries{next, {"a", "b", "c", "d", 'Y'}, {"XY", "", "", "", 'W'}} << 1;
    QTest::newRow("cut right after the unread byte")
        << lead + encodeRecord(next) + "a\0b\0c\0d\0\x01"_ba << Entries{next} << 1;
}

void tst_ServerListParser::parses() {
    QFETCH(QByteArray, reply);
    QFETCH(Entries, entries);
    QFETCH(int, whileArriving);

    const std::vector<ServerEntry> whole = parseServerList(reply);
    QCOMPARE(Entries(whole.begin(), whole.end()), entries);

    // Byte by byte, as a slow registry sends it: the same records, each counted once its end has
    // arrived, and the rest once the reply is over.
    QList<quint32> starts;
    ParsePosition at;
    for (qsizetype size = 0; size <= reply.size(); ++size)
        at = parseRecords(reply.first(size), at, false, starts);
    QCOMPARE(starts.size(), whileArriving);
    parseRecords(reply, at, true, starts);
    Entries read;
    for (const quint32 start : std::as_const(starts))
        read.append(readRecord(reply, start));
    QCOMPARE(read, entries);
}

QTEST_APPLESS_MAIN(tst_ServerListParser)
#include "tst_serverlistparser.moc"
