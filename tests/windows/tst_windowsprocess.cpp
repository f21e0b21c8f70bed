// The client's command line on Windows, where it is one string: the program quoted whole, the
// registry's bytes as their Windows-1252 characters, nothing escaped. wine_e2e.sh shows the real
// client receiving it from the named program only; here each part of the line, row by row.
#include "NativeDesktop.h"
#include "WindowsProcess.h"

#include <QCoreApplication>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_WindowsProcess : public QObject {
    Q_OBJECT

private slots:
    void commandLine_data() {
        QTest::addColumn<QByteArray>("program");
        QTest::addColumn<QByteArray>("argumentLine");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "C:/Games/brelgan.bin"_ba
                               << "10.0.0.5 5000 2"_ba
                               << uR"("C:\Games\brelgan.bin" 10.0.0.5 5000 2)"_s;
        QTest::newRow("UTF-8 directory holding a blank, quoted whole")
            << "C:/Spiele/Win K\xc3\xbc\x63he/brelgan.bin"_ba
            << "h 1 0"_ba << u"\"C:\\Spiele\\Win K\u00fcche\\brelgan.bin\" h 1 0"_s;
        QTest::newRow("blanks, quotes and backslashes pass unescaped")
            << "C:/g/brelgan.bin"_ba
            << R"(a b "c d"\ 9)"_ba << uR"("C:\g\brelgan.bin" a b "c d"\ 9)"_s;
        // Latin-1 would miss 0x80-0x9F; the five holes keep their number, never U+FFFD.
        QTest::newRow("1252 characters, the holes as their own number")
            << "C:/g/brelgan.bin"_ba
            << "\x80\x8a\x9f\x81\x8d\x8f\x90\x9d\xa0\xe9\xff 1 2"_ba
            << u"\"C:\\g\\brelgan.bin\" \u20ac\u0160\u0178\u0081\u008d\u008f\u0090\u009d\u00a0\u00e9\u00ff 1 2"_s;
    }

    void commandLine() {
        QFETCH(QByteArray, program);
        QFETCH(QByteArray, argumentLine);
        QFETCH(QString, expected);
        QCOMPARE(QString::fromStdWString(windowsCommandLine(program, argumentLine)), expected);
    }

    // The window tells the user when the client cannot be started; it learns it from here.
    void missingProgramIsNotStarted() {
        QVERIFY(!startWindowsProcess("C:/nowhere/none.bin"_ba, "h 1 0"));
    }

    void applicationDirectoryIsTheExecutables() {
        QCOMPARE(QString::fromUtf8(native::applicationDirectory()),
                 QCoreApplication::applicationDirPath());
    }
};

QTEST_GUILESS_MAIN(tst_WindowsProcess)
#include "tst_windowsprocess.moc"
