// The real process start: a client that is missing or cannot run is reported rather than taken
// for started, and the client starts with none of the launcher's signal set-up. (What the client
// receives on its command line is proven end to end, through the real launcher.)
#include "DesktopPlatform.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <signal.h>

namespace {

enum class Client { Executable, Missing, PlainFile };

// The stand-in client, copied where a test can name it.
bool placeClient(Client kind, const QString &path) {
    switch (kind) {
    case Client::Executable:
        return QFile::copy(QStringLiteral(STUB_CLIENT), path);
    case Client::Missing:
        return true;
    case Client::PlainFile: {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write("#!/bin/sh\n") > 0;
    }
    }
    return false;
}

QByteArray contents(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(Client)

class tst_DesktopPlatform : public QObject {
    Q_OBJECT

private slots:
    void reportsWhetherClientStarted_data();
    void reportsWhetherClientStarted();
    void clientStartsWithDefaultSignals();
};

void tst_DesktopPlatform::reportsWhetherClientStarted_data() {
    QTest::addColumn<Client>("kind");
    QTest::addColumn<bool>("started");
    QTest::newRow("executable") << Client::Executable << true;
    QTest::newRow("missing") << Client::Missing << false;
    QTest::newRow("not executable") << Client::PlainFile << false;
}

void tst_DesktopPlatform::reportsWhetherClientStarted() {
    QFETCH(Client, kind);
    QFETCH(bool, started);
    QTemporaryDir dir;
    const QString client = dir.filePath(QStringLiteral("brelgan.bin"));
    QVERIFY(placeClient(kind, client));
    DesktopPlatform platform;
    QCOMPARE(platform.startProcess({QFile::encodeName(client), {"h", "1", "2"}, "h 1 2"}), started);
}

void tst_DesktopPlatform::clientStartsWithDefaultSignals() {
    QTemporaryDir dir;
    const QString client = dir.filePath(QStringLiteral("brelgan.bin"));
    const QString report = dir.filePath(QStringLiteral("signals"));
    QVERIFY(placeClient(Client::Executable, client));
    qputenv("BRELGAN_STUB_SIGNALS", QFile::encodeName(report));

    // Set up as the launcher is: SIGPIPE ignored (Qt does that), and a signal blocked.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction previousPipe {};
    sigaction(SIGPIPE, &ignore, &previousPipe);
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    sigset_t previousMask;
    sigprocmask(SIG_BLOCK, &blocked, &previousMask);

    DesktopPlatform platform;
    const bool started =
        platform.startProcess({QFile::encodeName(client), {"h", "1", "2"}, "h 1 2"});

    sigprocmask(SIG_SETMASK, &previousMask, nullptr);
    sigaction(SIGPIPE, &previousPipe, nullptr);
    qunsetenv("BRELGAN_STUB_SIGNALS");

    QVERIFY(started);
    QTRY_COMPARE(contents(report), QByteArray("ignored:\nblocked:\n"));
}

QTEST_APPLESS_MAIN(tst_DesktopPlatform)
#include "tst_desktopplatform.moc"
