// What the benchmarks that run the window need around it: dev-registry in a process of its own on
// a port the system picks, realistic servers for it to serve, and a wait that runs events as the
// launcher's own loop does.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

// Milliseconds of one clock for everything a benchmark notes.
inline double benchNow() {
    static const QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return double(clock.nsecsElapsed()) / 1e6;
}

// Runs events as the launcher's own loop does, at once as they come, until done() holds or 60 s
// have passed. QTRY_* would not do here: QTest::qWait sleeps 10 ms between batches of events, which
// would delay both the launcher and the measuring.
inline bool await(const std::function<bool()> &done) {
    QTimer wake; // so that a check is not left waiting for an event that never comes
    wake.start(100);
    for (QDeadlineTimer deadline(60'000); !done() && !deadline.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

// A file of `count` realistic servers for dev-registry --servers, written once per count by the
// realistic-servers tool: the servers are never built in the process that measures.
inline QString realisticServersFile(int count) {
    static QTemporaryDir files;
    const QString path = files.filePath(QString::number(count));
    if (!QFile::exists(path) &&
        QProcess::execute(QStringLiteral(REALISTIC_SERVERS), {QString::number(count), path}) != 0)
        qFatal("realistic-servers could not write %s", qPrintable(path));
    return path;
}

// dev-registry with these arguments, listening by the time the constructor returns (port 0 if it
// does not). Its log, read as it comes, tells when reply bytes left, when the launcher's
// acknowledgement came and when the launcher hung up, each at the time this process read the line.
class DevRegistry {
public:
    explicit DevRegistry(const QStringList &arguments) {
        process.setReadChannel(QProcess::StandardError);
        QObject::connect(&process, &QProcess::readyReadStandardError, [this] { readLog(); });
        process.start(QStringLiteral(DEV_REGISTRY), QStringList{"--port", "0"} + arguments);
        await([this] { return port != 0 || process.state() == QProcess::NotRunning; });
    }
    ~DevRegistry() {
        process.kill();
        process.waitForFinished();
    }

    quint16 port = 0;
    qsizetype sentBytes = 0;
    double lastSentAt = -1;
    double acknowledgedAt = -1;
    bool hungUp = false;

private:
    void readLog() {
        while (process.canReadLine()) {
            const QByteArray line = process.readLine().trimmed();
            const QList<QByteArray> words = line.split(' ');
            if (words[0] == "listening")
                port = quint16(words[2].mid(words[2].lastIndexOf(':') + 1).toUInt());
            else if (words[0] == "sent") {
                sentBytes += words[1].toLongLong();
                lastSentAt = benchNow();
            } else if (line == "received: 00 01 04")
                acknowledgedAt = benchNow();
            else if (line == "peer closed")
                hungUp = true;
        }
    }

    QProcess process;
};
