// The real process start: a client that is missing or cannot run is reported rather than taken
// for started, and the client starts with the signal state the launcher was started with, not
// with the SIGPIPE that Qt ignores in the launcher. (What the client receives on its command line
// is proven end to end, through the real launcher.)
#include "DesktopPlatform.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

#include <algorithm>

namespace {

struct SignalState {
    QList<int> ignored;
    QList<int> blocked;
};

SignalState signalState() {
    SignalState state;
    sigset_t mask;
    sigprocmask(SIG_BLOCK, nullptr, &mask);
    for (int sig = 1; sig < NSIG; ++sig) {
        struct sigaction action {};
        if (sigaction(sig, nullptr, &action) != 0)
            continue;
        if (action.sa_handler == SIG_IGN)
            state.ignored.append(sig);
        if (sigismember(&mask, sig) == 1)
            state.blocked.append(sig);
    }
    return state;
}

// What this process was started with, before anything in it could change that: the client is to
// inherit it. ctest runs this test once more started with SIGPIPE ignored, which the client then
// keeps.
const SignalState startedWith = signalState();

// A line of the stand-in client's report, such as "ignored: 1 13".
QByteArray reportLine(const char *label, QList<int> numbers) {
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    QByteArray line(label);
    for (int number : std::as_const(numbers))
        line += ' ' + QByteArray::number(number);
    return line + '\n';
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
    const auto found = [&report] {
        QFile file(report);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray inherited = reportLine("ignored:", startedWith.ignored + QList<int>{SIGHUP}) +
                                 reportLine("blocked:", startedWith.blocked + QList<int>{SIGUSR1});
    QTRY_COMPARE(found(), started ? inherited : QByteArray());
}

QTEST_APPLESS_MAIN(tst_DesktopPlatform)
#include "tst_desktopplatform.moc"
