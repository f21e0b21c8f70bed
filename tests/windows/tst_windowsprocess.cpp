// The client's command line on Windows, where it is one string: the program quoted whole, the
// registry's bytes as their Windows-1252 characters, nothing escaped. And CreateProcessW starting
// exactly the named program, never one that a blank in its directory makes Windows guess at.
#include "NativeDesktop.h"
#include "WindowsProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_WindowsProcess : public QObject {
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();
    void startsOnlyTheNamedProgram_data();
    void startsOnlyTheNamedProgram();
    void applicationDirectoryIsTheExecutables();
};

void tst_WindowsProcess::commandLine_data() {
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QByteArray>("argumentLine");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain entry") << QByteArray("C:/Games/brelgan.bin")
                                 << QByteArray("10.0.0.5 5000 2")
                                 << QString::fromUtf16(
                                        uR"("C:\Games\brelgan.bin" 10.0.0.5 5000 2)");
    QTest::newRow("directory holding a blank is quoted whole")
        << QByteArray("C:/Games/Win Launcher/brelgan.bin") << QByteArray("h 1 0")
        << QString::fromUtf16(uR"("C:\Games\Win Launcher\brelgan.bin" h 1 0)");
    QTest::newRow("native separators pass as they are")
        << QByteArray(R"(\\host\share\brelgan.bin)") << QByteArray("h 1 0")
        << QString::fromUtf16(uR"("\\host\share\brelgan.bin" h 1 0)");
    QTest::newRow("directory name in UTF-8")
        << QByteArray("C:/Spiele/K\xc3\xbc\x63he/brelgan.bin") << QByteArray("h 1 0")
        << QString::fromUtf16(u"\"C:\\Spiele\\K\u00fcche\\brelgan.bin\" h 1 0");
    QTest::newRow("address holding blanks splits there")
        << QByteArray("C:/g/brelgan.bin") << QByteArray("a b c 5000 7")
        << QString::fromUtf16(uR"("C:\g\brelgan.bin" a b c 5000 7)");
    QTest::newRow("quotes and backslashes are not escaped")
        << QByteArray("C:/g/brelgan.bin") << QByteArray(R"(say "hi"\ -p'" 9)")
        << QString::fromUtf16(uR"("C:\g\brelgan.bin" say "hi"\ -p'" 9)");
    QTest::newRow("0x80-0x9F are their 1252 characters")
        << QByteArray("C:/g/brelgan.bin") << QByteArray("\x80\x8a\x8c\x99\x9f 1 2")
        << QString::fromUtf16(u"\"C:\\g\\brelgan.bin\" \u20ac\u0160\u0152\u2122\u0178 1 2");
    QTest::newRow("bytes with no 1252 character keep their number")
        << QByteArray("C:/g/brelgan.bin") << QByteArray("\x81\x8d\x8f\x90\x9d 1 2")
        << QString::fromUtf16(u"\"C:\\g\\brelgan.bin\" \u0081\u008d\u008f\u0090\u009d 1 2");
    QTest::newRow("0xA0-0xFF read as in Latin-1")
        << QByteArray("C:/g/brelgan.bin") << QByteArray("\xa0\xe9\xff 1 2")
        << QString::fromUtf16(u"\"C:\\g\\brelgan.bin\" \u00a0\u00e9\u00ff 1 2");
}

void tst_WindowsProcess::commandLine() {
    QFETCH(QByteArray, program);
    QFETCH(QByteArray, argumentLine);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdWString(windowsCommandLine(program, argumentLine)), expected);
}

void tst_WindowsProcess::startsOnlyTheNamedProgram_data() {
    QTest::addColumn<bool>("clientPresent");
    QTest::newRow("client present") << true;
    QTest::newRow("client missing") << false;
}

void tst_WindowsProcess::startsOnlyTheNamedProgram() {
    QFETCH(bool, clientPresent);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    // Win.exe beside "Win Launcher" is what Windows would run if it had to find the program in
    // an unquoted command line; it records into the directory that holds it.
    QVERIFY(QFile::copy(QStringLiteral(STUB_CLIENT), root.filePath(QStringLiteral("Win.exe"))));
    QVERIFY(QDir(root.path()).mkdir(QStringLiteral("Win Launcher")));
    const QString client = root.filePath(QStringLiteral("Win Launcher/brelgan.bin"));
    if (clientPresent)
        QVERIFY(QFile::copy(QStringLiteral(STUB_CLIENT), client));

    const QByteArray line = "a b \x80\xe9 2";
    QCOMPARE(startWindowsProcess(client.toUtf8(), line), clientPresent);

    const QString received = client + QStringLiteral(".received");
    if (clientPresent) {
        QTRY_VERIFY(QFile::exists(received));
        QFile record(received);
        QVERIFY(record.open(QIODevice::ReadOnly));
        const QByteArray commandLine = record.readAll().split('\0').value(0);
        QCOMPARE(QString::fromUtf8(commandLine),
                 QString::fromStdWString(windowsCommandLine(client.toUtf8(), line)));
    }
    QVERIFY(!QFile::exists(root.filePath(QStringLiteral("brelgan.bin.received"))));
}

void tst_WindowsProcess::applicationDirectoryIsTheExecutables() {
    QCOMPARE(QString::fromUtf8(native::applicationDirectory()),
             QCoreApplication::applicationDirPath());
}

QTEST_GUILESS_MAIN(tst_WindowsProcess)
#include "tst_windowsprocess.moc"
