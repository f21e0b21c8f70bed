// What the game client is started with: the joined command line it is promised, and the program
// and words that actually reach the system, whatever the registry put in the texts.
#include "ClientLaunch.h"

#include <QTest>

namespace {

ServerEntry server(const QByteArray &address, const QByteArray &port, quint8 tileset) {
    ServerEntry entry;
    entry.Address = address.toStdString();
    entry.Port = port.toStdString();
    entry.Tileset = tileset;
    return entry;
}

} // namespace

using Words = QList<QByteArray>;

class tst_ClientLaunch : public QObject {
    Q_OBJECT

private slots:
    void joinsCommandLine_data();
    void joinsCommandLine();
    void startsClientWithWords_data();
    void startsClientWithWords();
};

void tst_ClientLaunch::joinsCommandLine_data() {
    QTest::addColumn<QByteArray>("directory");
    QTest::addColumn<char>("separator");
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<QByteArray>("port");
    QTest::addColumn<int>("tileset");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("backslash platform")
        << QByteArray("C:\\Games") << '\\' << QByteArray("10.0.0.5") << QByteArray("5000") << 2
        << QByteArray("C:\\Games\\brelgan.bin 10.0.0.5 5000 2");
    QTest::newRow("this platform")
        << QByteArray("/opt/games") << '/' << QByteArray("10.0.0.5") << QByteArray("5000") << 2
        << QByteArray("/opt/games/brelgan.bin 10.0.0.5 5000 2");
    QTest::newRow("tileset 0") << QByteArray("/g") << '/' << QByteArray("h") << QByteArray("1") << 0
                               << QByteArray("/g/brelgan.bin h 1 0");
    QTest::newRow("tileset 255") << QByteArray("/g") << '/' << QByteArray("h") << QByteArray("1")
                                 << 255 << QByteArray("/g/brelgan.bin h 1 255");
    QTest::newRow("empty port") << QByteArray("/g") << '/' << QByteArray("h") << QByteArray() << 3
                                << QByteArray("/g/brelgan.bin h  3");
    QTest::newRow("blank in address")
        << QByteArray("/g") << '/' << QByteArray("a b") << QByteArray("1") << 3
        << QByteArray("/g/brelgan.bin a b 1 3");
    QTest::newRow("high bytes") << QByteArray("/g") << '/' << QByteArray("\x80\xff")
                                << QByteArray("\xe9") << 3
                                << QByteArray("/g/brelgan.bin \x80\xff \xe9 3");
}

void tst_ClientLaunch::joinsCommandLine() {
    QFETCH(QByteArray, directory);
    QFETCH(char, separator);
    QFETCH(QByteArray, address);
    QFETCH(QByteArray, port);
    QFETCH(int, tileset);
    QFETCH(QByteArray, line);
    QCOMPARE(joinClientCommandLine(directory, separator, server(address, port, quint8(tileset))),
             line);
}

void tst_ClientLaunch::startsClientWithWords_data() {
    QTest::addColumn<QByteArray>("directory");
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<QByteArray>("port");
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<Words>("words");

    const QByteArray program("/opt/games/brelgan.bin");
    QTest::newRow("plain") << QByteArray("/opt/games") << QByteArray("10.0.0.5")
                           << QByteArray("5000") << program << Words{"10.0.0.5", "5000", "7"};
    QTest::newRow("shell metacharacters are literal")
        << QByteArray("/opt/games") << QByteArray(";rm|x$(id)`id`'\"*") << QByteArray("-e")
        << program << Words{";rm|x$(id)`id`'\"*", "-e", "7"};
    QTest::newRow("blank in address gives two words")
        << QByteArray("/opt/games") << QByteArray("a b") << QByteArray("1") << program
        << Words{"a", "b", "1", "7"};
    QTest::newRow("empty port gives no empty word") << QByteArray("/opt/games") << QByteArray("h")
                                                    << QByteArray() << program << Words{"h", "7"};
    QTest::newRow("runs of blanks and tabs") << QByteArray("/opt/games") << QByteArray("  a \t")
                                             << QByteArray("\t") << program << Words{"a", "7"};
    QTest::newRow("high bytes untouched")
        << QByteArray("/opt/games") << QByteArray("\x80\xff") << QByteArray("\xe9") << program
        << Words{"\x80\xff", "\xe9", "7"};
    QTest::newRow("blank in the directory")
        << QByteArray("/home/me/My Games") << QByteArray("h") << QByteArray("1")
        << QByteArray("/home/me/My Games/brelgan.bin") << Words{"h", "1", "7"};
    QTest::newRow("directory with a trailing separator")
        << QByteArray("/") << QByteArray("h") << QByteArray("1") << QByteArray("/brelgan.bin")
        << Words{"h", "1", "7"};
}

void tst_ClientLaunch::startsClientWithWords() {
    QFETCH(QByteArray, directory);
    QFETCH(QByteArray, address);
    QFETCH(QByteArray, port);
    QFETCH(QByteArray, program);
    QFETCH(Words, words);
    const ClientLaunch launch = clientLaunchFor(directory, server(address, port, 7));
    QCOMPARE(launch.program, program);
    QCOMPARE(launch.arguments, words);
}

QTEST_APPLESS_MAIN(tst_ClientLaunch)
#include "tst_clientlaunch.moc"
