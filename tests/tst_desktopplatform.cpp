// The real process start: a client that is missing or cannot run is reported rather than taken
// for started, and the client starts with the signal state the launcher was started with, not
// with the SIGPIPE that Qt ignores in the launcher. (What the client receives on its command line
// is proven end to end, through the real launcher.)
#include "DesktopPlatform.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

namespace {

// Read before anything in this process could change it: ctest runs this test once more started
// with SIGPIPE ignored, as a launcher can be, and the client then keeps it ignored.
const bool startedIgnoringSigpipe = [] {
    struct sigaction action {};
    sigaction(SIGPIPE, nullptr, &action);
    return action.sa_handler == SIG_IGN;
}();

// The signal numbers on the stand-in client's report line that starts with `label`.
QList<int> reported(const QString &report, const QByteArray &label) {
    QFile file(report);
    const QByteArray text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    QList<int> numbers;
    for (const QByteArray &line : text.split('\n'))
        if (line.startsWith(label))
            for (const QByteArray &word : line.split(' ').mid(1))
                numbers.append(word.toInt());
    return numbers;
}

} // namespace

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
    // Set up as the launcher can be: SIGPIPE ignored by Qt, SIGHUP ignored as under nohup (which
    // would have done it before the start), and a signal blocked.
    signal(SIGPIPE, SIG_IGN);
    signal(SIGHUP, SIG_IGN);
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    sigprocmask(SIG_BLOCK, &blocked, nullptr);

    QCOMPARE(DesktopPlatform().startProcess({QFile::encodeName(client), {"h"}, "h"}), started);
    // What the stand-in client found set up; only a started one can tell.
    QTRY_COMPARE(QFile::exists(report), started);
    if (!started)
        return;
    QTRY_VERIFY(reported(report, "blocked:").contains(SIGUSR1));
    const QList<int> ignored = reported(report, "ignored:");
    QVERIFY(ignored.contains(SIGHUP));
    QCOMPARE(ignored.contains(SIGPIPE), startedIgnoringSigpipe);
}

QTEST_APPLESS_MAIN(tst_DesktopPlatform)
#include "tst_desktopplatform.moc"
