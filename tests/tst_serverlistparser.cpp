// The reply parser against a table of replies: the well-formed shapes, the quirks of the record
// end, and each way a record can be cut short.
#include "ServerListParser.h"
#include "sample_reply.h"

#include <QTest>

namespace {

QByteArray escaped(const QByteArray &text) {
    QByteArray out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '|' && c != '\\')
            out += c;
        else
            out += "\\x" + QByteArray::number(byte, 16).rightJustified(2, '0');
    }
    return out;
}

// One line per entry, so a failing row shows exactly which field differs.
QByteArray describe(const std::vector<ServerEntry> &entries) {
    QByteArray out;
    for (const ServerEntry &e : entries)
        out += escaped(e.Address) + '|' + escaped(e.Port) + '|' + escaped(e.Name) + '|' +
               escaped(e.Description) + '|' + QByteArray::number(e.Tileset) + '\n';
    return out;
}

QByteArray bytes(const char *text, qsizetype size) {
    return QByteArray(text, size);
}

} // namespace

class tst_ServerListParser : public QObject {
    Q_OBJECT

private slots:
    void parses_data();
    void parses();
};

void tst_ServerListParser::parses_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("worked example")
        << bytes("\x41\x04\x61\x00\x62\x00\x63\x00\x64\x00\x01\x07\x04", 13)
        << QByteArray("a|b|c|d|7\n");
    QTest::newRow("empty reply") << QByteArray() << QByteArray();
    QTest::newRow("leading part only") << replyLead() << QByteArray();
    QTest::newRow("lone record end") << bytes("\x04", 1) << QByteArray();
    QTest::newRow("no 0x04 at all: records from the first byte")
        << bytes("a\0b\0c\0d\0\x01\x07", 10) << QByteArray("a|b|c|d|7\n");
    QTest::newRow("first 0x04 is a record end: all of it is the leading part")
        << bytes("a\0b\0c\0d\0\x01\x07\x04", 11) << QByteArray();
    QTest::newRow("empty texts") << replyLead() + bytes("\0\0\0\0\x01\x05\x04", 7)
                                 << QByteArray("||||5\n");
    QTest::newRow("several records, in reply order")
        << replyLead() + encodeRecord({"10.0.0.5", "5000", "Ashmere", "Fens", 2}) +
               encodeRecord({"10.0.0.6", "5001", "Brack", "Hills", 12}) +
               encodeRecord({"h.example", "7000", "Corrow", "Coast", 0})
        << QByteArray("10.0.0.5|5000|Ashmere|Fens|2\n10.0.0.6|5001|Brack|Hills|12\n"
                      "h.example|7000|Corrow|Coast|0\n");
    QTest::newRow("bytes between tileset and record end are skipped")
        << replyLead() + bytes("a\0b\0c\0d\0\x01\x07junk\x04", 15) +
               encodeRecord({"e", "f", "g", "h", 3})
        << QByteArray("a|b|c|d|7\ne|f|g|h|3\n");
    QTest::newRow("tileset 0x04 ends the record")
        << replyLead() + bytes("a\0b\0c\0d\0\x01\x04", 10) + encodeRecord({"e", "f", "g", "h", 3})
        << QByteArray("a|b|c|d|4\ne|f|g|h|3\n");
    QTest::newRow("unread byte 0x04: next record starts at the tileset byte")
        << replyLead() + bytes("a\0b\0c\0d\0\x04\x09", 10) + encodeRecord({"e", "f", "g", "h", 3})
        << QByteArray("a|b|c|d|9\n\\x09e|f|g|h|3\n");
    QTest::newRow("no record end: next record starts at the unread byte")
        << replyLead() + bytes("a\0b\0c\0d\0\x01\x07", 10) + bytes("e\0f\0g\0\0\x01\x03", 9)
        << QByteArray("a|b|c|d|7\n\\x01\\x07e|f|g||3\n");
    QTest::newRow("tilesets 0x80 and 0xFF are never negative")
        << replyLead() + encodeRecord({"a", "b", "c", "d", 0x80}) +
               encodeRecord({"e", "f", "g", "h", 0xFF})
        << QByteArray("a|b|c|d|128\ne|f|g|h|255\n");
    QTest::newRow("texts keep every byte as received")
        << replyLead() + encodeRecord({"a b;$(x)", "-1", "\x80\xFF\x7F\t", "line\r\nnext", 1})
        << QByteArray("a b;$(x)|-1|\\x80\\xff\\x7f\\x09|line\\x0d\\x0anext|1\n");

    const QByteArray whole = replyLead() + encodeRecord({"a", "b", "c", "d", 7});
    QTest::newRow("cut in the address") << whole + "10.0" << QByteArray("a|b|c|d|7\n");
    QTest::newRow("cut in the description")
        << whole + bytes("e\0f\0g\0desc", 10) << QByteArray("a|b|c|d|7\n");
    QTest::newRow("cut right after the fourth NUL")
        << whole + bytes("e\0f\0g\0h\0", 8) << QByteArray("a|b|c|d|7\n");
    QTest::newRow("cut after the unread byte")
        << whole + bytes("e\0f\0g\0h\0\x01", 9) << QByteArray("a|b|c|d|7\n");
    QTest::newRow("first record cut short") << replyLead() + bytes("a\0b\0c", 5) << QByteArray();
    QTest::newRow("re-read record cut short keeps the one before")
        << replyLead() + bytes("a\0b\0c\0d\0\x01\x07", 10) << QByteArray("a|b|c|d|7\n");
}

void tst_ServerListParser::parses() {
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, expected);
    QCOMPARE(describe(parseServerList(reply)), expected);
}

QTEST_APPLESS_MAIN(tst_ServerListParser)
#include "tst_serverlistparser.moc"
