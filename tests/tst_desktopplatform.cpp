// The real process start: the client receives exactly the bytes it was given, with no shell in
// between, and a client that is not there is reported rather than taken for started.
#include "DesktopPlatform.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_DesktopPlatform : public QObject {
    Q_OBJECT

private slots:
    void startsWithExactArguments();
    void reportsClientThatCannotStart_data();
    void reportsClientThatCannotStart();
};

void tst_DesktopPlatform::startsWithExactArguments() {
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("argv"));
    qputenv("BRELGAN_STUB_ARGV", QFile::encodeName(record));

    const QList<QByteArray> arguments{"$(touch " + QFile::encodeName(dir.filePath("x")) + ")",
                                      "a;b|c",
                                      "\x80\xff",
                                      "'\"",
                                      "*",
                                      "-v"};
    DesktopPlatform platform;
    QVERIFY(platform.startProcess(STUB_CLIENT, arguments));

    QByteArray expected;
    for (const QByteArray &argument : arguments)
        expected += argument + '\0';
    QFile recorded(record);
    QTRY_VERIFY(recorded.exists() && recorded.size() == expected.size());
    QVERIFY(recorded.open(QIODevice::ReadOnly));
    QCOMPARE(recorded.readAll(), expected);
    QVERIFY(!QFile::exists(dir.filePath("x")));
}

void tst_DesktopPlatform::reportsClientThatCannotStart_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("not executable") << "plain file";
}

void tst_DesktopPlatform::reportsClientThatCannotStart() {
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString client = dir.filePath(QStringLiteral("brelgan.bin"));
    if (kind == "plain file") {
        QFile file(client);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
    }
    DesktopPlatform platform;
    QVERIFY(!platform.startProcess(QFile::encodeName(client), {"h", "1", "2"}));
}

QTEST_APPLESS_MAIN(tst_DesktopPlatform)
#include "tst_desktopplatform.moc"
