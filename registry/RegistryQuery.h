// The launcher's one conversation with the registry: connect, ask for the list, read the reply
// until it is whole, acknowledge it, hang up. The window forwards its socket's events here and
// lists what comes back.
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

    void connected();
    void dataArrived();
    // The registry hung up: the end of the reply when it sent one, otherwise says there are no
    // servers and ends the program.
    void registryClosed();
    void failed();
    // The reply has been quiet for its settle or stall time.
    void quietTimeElapsed();

    static qint64 steadyClock();

signals:
    // The reply, once per run, after the connection has been closed.
    void replyRead(const QByteArray &reply);

private:
    enum class Stage { Connecting, Reading, Taken, Over };

    void takeReply();
    void readPending();

    Socket &socket;
    Platform &platform;
    Clock clock;
    ReplyReader reader;
    QTimer *quiet = nullptr;
    qint64 lastArrivalAt = 0;
    Stage stage = Stage::Connecting;
    bool failureShown = false;
};
