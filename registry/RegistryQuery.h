// The launcher's one conversation with the registry: connect, ask for the list, read the reply
// until it is whole, acknowledge it, hang up. The window forwards its socket's events here; the
// query reports what came of them, and the window decides what the user sees.
#pragma once

#include "RegistryProtocol.h"
#include "ReplyReader.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <functional>

class Platform;
class Socket;

class RegistryQuery : public QObject {
    Q_OBJECT

public:
    // Milliseconds of a monotonic clock; tests and the fuzz target bring their own.
    using Clock = std::function<qint64()>;

    RegistryQuery(Socket &socket, Platform &platform, ReadingLimits limits = {},
                  Clock clock = steadyClock);

    void start(const RegistryEndpoint &endpoint);

    // The socket's four events.
    void onConnected();
    void onDataArrival();
    void onClose();
    void onError();
    // The reply has been quiet for its settle or stall time.
    void onQuietTime();

    static qint64 steadyClock();

signals:
    // The reply, once per run, after the launcher has acknowledged it and hung up.
    void replyRead(const QByteArray &reply);
    // The registry hung up before it sent a byte.
    void closedFirst();
    // No connection could be made, or it broke before a byte came; once per run.
    void failed();

private:
    enum class Stage { Connecting, Reading, Taken, Over };

    void takeReply();
    void readPending();
    // The bytes that came before the connection ended are the reply, as far as it got: taken, if
    // there are any.
    bool takeWhatCame();

    Socket &socket;
    Platform &platform;
    Clock clock;
    ReplyReader reader;
    QTimer *quiet = nullptr;
    qint64 lastArrivalAt = 0;
    Stage stage = Stage::Connecting;
    bool failureReported = false;
};
