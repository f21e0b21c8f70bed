// The real process start: a client that is missing or cannot run is reported rather than taken
// for started, and the client starts with none of the launcher's signal set-up. (What the client
// receives on its command line is proven end to end, through the real launcher.)
#include "DesktopPlatform.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

class tst_DesktopPlatform : public QObject {
    Q_OBJECT

private slots:
    void startsClient_data();
    void startsClient();
};

void tst_DesktopPlatform::startsClient_data() {
    // The stand-in client's permissions; none at all stands for no file.
    QTest::addColumn<QFile::Permissions>("permissions");
    QTest::addColumn<bool>("started");
    QTest::newRow("executable") << (QFile::ReadOwner | QFile::ExeOwner) << true;
    QTest::newRow("not executable") << QFile::Permissions(QFile::ReadOwner) << false;
    QTest::newRow("missing") << QFile::Permissions() << false;
}

void tst_DesktopPlatform::startsClient() {
    QFETCH(QFile::Permissions, permissions);
    QFETCH(bool, started);
    QTemporaryDir dir;
    const QString client = dir.filePath("brelgan.bin"), report = dir.filePath("signals");
    if (permissions)
        QVERIFY(QFile::copy(STUB_CLIENT, client) && QFile::setPermissions(client, permissions));
    qputenv("BRELGAN_STUB_SIGNALS", QFile::encodeName(report));
    // Set up as the launcher is: SIGPIPE ignored (Qt does that), and a signal blocked.
    signal(SIGPIPE, SIG_IGN);
    sigset_t blocked{};
    sigaddset(&blocked, SIGUSR1);
    sigprocmask(SIG_BLOCK, &blocked, nullptr);

    QCOMPARE(DesktopPlatform().startProcess({QFile::encodeName(client), {"h"}, "h"}), started);
    // What the stand-in client found set up; only a started one can tell.
    const auto found = [&report] {
        QFile file(report);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QTRY_COMPARE(found(), started ? QByteArray("ignored:\nblocked:\n") : QByteArray());
}

QTEST_APPLESS_MAIN(tst_DesktopPlatform)
#include "tst_desktopplatform.moc"
