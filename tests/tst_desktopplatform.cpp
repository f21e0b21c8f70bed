// The real process start: a client that is missing or cannot run is reported rather than taken
// for started. (What the client receives is proven end to end, through the real launcher.)
#include "DesktopPlatform.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_DesktopPlatform : public QObject {
    Q_OBJECT

private slots:
    void reportsWhetherClientStarted_data();
    void reportsWhetherClientStarted();
};

void tst_DesktopPlatform::reportsWhetherClientStarted_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("started");
    QTest::newRow("executable") << "executable" << true;
    QTest::newRow("missing") << "missing" << false;
    QTest::newRow("not executable") << "plain file" << false;
}

void tst_DesktopPlatform::reportsWhetherClientStarted() {
    QFETCH(QString, kind);
    QFETCH(bool, started);
    QTemporaryDir dir;
    const QString client = dir.filePath(QStringLiteral("brelgan.bin"));
    if (kind == "executable") {
        QVERIFY(QFile::copy(QStringLiteral(STUB_CLIENT), client));
    } else if (kind == "plain file") {
        QFile file(client);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
    }
    DesktopPlatform platform;
    QCOMPARE(platform.startProcess({QFile::encodeName(client), {"h", "1", "2"}, "h 1 2"}), started);
}

QTEST_APPLESS_MAIN(tst_DesktopPlatform)
#include "tst_desktopplatform.moc"
