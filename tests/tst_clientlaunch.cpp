// What the game client is started with: the program beside the launcher, and the address, port
// and tileset as words and as one line, whatever the registry put in the texts.
#include "ClientLaunch.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Words = QList<QByteArray>;

class tst_ClientLaunch : public QObject {
    Q_OBJECT

private slots:
    void startsClient_data();
    void startsClient();
};

void tst_ClientLaunch::startsClient_data() {
    QTest::addColumn<QByteArray>("directory");
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<QByteArray>("port");
    QTest::addColumn<int>("tileset");
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<Words>("words");
    QTest::addColumn<QByteArray>("line");

    const QByteArray dir("/opt/games");
    const QByteArray program("/opt/games/brelgan.bin");
    QTest::newRow("plain") << dir << "10.0.0.5"_ba
                           << "5000"_ba << 2 << program << Words{"10.0.0.5", "5000", "2"}
                           << "10.0.0.5 5000 2"_ba;
    QTest::newRow("tileset 0") << dir << "h"_ba
                               << "1"_ba << 0 << program << Words{"h", "1", "0"} << "h 1 0"_ba;
    QTest::newRow("tileset 255") << dir << "h"_ba
                                 << "1"_ba << 255 << program << Words{"h", "1", "255"}
                                 << "h 1 255"_ba;
    QTest::newRow("shell metacharacters are literal")
        << dir << ";rm|x$(id)`id`'\"*"_ba
        << "-e"_ba << 7 << program << Words{";rm|x$(id)`id`'\"*", "-e", "7"}
        << ";rm|x$(id)`id`'\"* -e 7"_ba;
    QTest::newRow("blank in address gives two words")
        << dir << "a b"_ba
        << "1"_ba << 7 << program << Words{"a", "b", "1", "7"} << "a b 1 7"_ba;
    QTest::newRow("empty port gives no empty word")
        << dir << "h"_ba << QByteArray() << 7 << program << Words{"h", "7"} << "h  7"_ba;
    QTest::newRow("runs of blanks and tabs")
        << dir << "  a \t"_ba
        << "\t"_ba << 7 << program << Words{"a", "7"} << "  a \t \t 7"_ba;
    QTest::newRow("high bytes untouched")
        << dir << "\x80\xff"_ba
        << "\xe9"_ba << 7 << program << Words{"\x80\xff", "\xe9", "7"} << "\x80\xff \xe9 7"_ba;
    QTest::newRow("blank in the directory")
        << "/home/me/My Games"_ba
        << "h"_ba
        << "1"_ba << 7 << "/home/me/My Games/brelgan.bin"_ba << Words{"h", "1", "7"} << "h 1 7"_ba;
    QTest::newRow("directory with a trailing separator")
        << "/"_ba
        << "h"_ba
        << "1"_ba << 7 << "/brelgan.bin"_ba << Words{"h", "1", "7"} << "h 1 7"_ba;
}

void tst_ClientLaunch::startsClient() {
    QFETCH(QByteArray, directory);
    QFETCH(QByteArray, address);
    QFETCH(QByteArray, port);
    QFETCH(int, tileset);
    QFETCH(QByteArray, program);
    QFETCH(Words, words);
    QFETCH(QByteArray, line);

    ServerEntry server;
    server.Address = address;
    server.Port = port;
    server.Tileset = quint8(tileset);
    const ProcessStart start = clientLaunchFor(directory, server);
    QCOMPARE(start.program, program);
    QCOMPARE(start.arguments, words);
    QCOMPARE(start.argumentLine, line);
}

QTEST_APPLESS_MAIN(tst_ClientLaunch)
#include "tst_clientlaunch.moc"
