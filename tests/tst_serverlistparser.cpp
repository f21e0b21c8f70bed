// The reply parser against a table of replies: the well-formed shapes, the quirks of the record
// end, and a record cut short.
#include "ServerListParser.h"
#include "sample_reply.h"

#include <QTest>

using namespace Qt::StringLiterals;

class tst_ServerListParser : public QObject {
    Q_OBJECT

private slots:
    void parses_data();
    void parses();
};

void tst_ServerListParser::parses_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray lead = replyLead();
    const QByteArray next = encodeRecord({"e", "f", "g", "h", 3});
    QTest::newRow("empty reply") << QByteArray() << QByteArray();
    QTest::newRow("no 0x04 at all: records from the first byte") << "a\0b\0c\0d\0\x01\x07"_ba
                                                                 << "a|b|c|d|7\n"_ba;
    QTest::newRow("records in order, texts as received, tileset unsigned")
        << lead + encodeRecord({"10.0.0.5", "5000", "Ash $(x)", "\x80\r\n", 0xFF}) + next
        << "10.0.0.5|5000|Ash $(x)|\x80\r\n|255\ne|f|g|h|3\n"_ba;
    QTest::newRow("bytes between tileset and record end are skipped")
        << lead + "a\0b\0c\0d\0\x01\x07junk\x04"_ba + next << "a|b|c|d|7\ne|f|g|h|3\n"_ba;
    QTest::newRow("tileset 0x04 ends the record")
        << lead + "a\0b\0c\0d\0\x01\x04"_ba + next << "a|b|c|d|4\ne|f|g|h|3\n"_ba;
    QTest::newRow("unread byte 0x04: next record starts at the tileset byte")
        << lead + "a\0b\0c\0d\0\x04\x09"_ba + next << "a|b|c|d|9\n\te|f|g|h|3\n"_ba;
    QTest::newRow("a record cut short is left out") << lead + next + "e\0f\0g\0desc"_ba
                                                    << "e|f|g|h|3\n"_ba;
}

void tst_ServerListParser::parses() {
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, expected);
    QByteArray parsed;
    for (const ServerEntry &e : parseServerList(reply))
        parsed += e.Address + '|' + e.Port + '|' + e.Name + '|' + e.Description + '|' +
                  QByteArray::number(e.Tileset) + '\n';
    QCOMPARE(parsed, expected);
}

QTEST_APPLESS_MAIN(tst_ServerListParser)
#include "tst_serverlistparser.moc"
