// The launcher's one conversation with the registry: connect, ask for the list, read the reply
// with each whole record listed in the server table as it arrives, acknowledge the reply once it
// is over, hang up. The query alone speaks to the connection. Its slots are named after the
// socket's events, which the window passes on to it; its signals after what the window does with
// them.
#pragma once

#include "RegistryProtocol.h"
#include "ReplyReader.h"

#include <QObject>

#include <functional>

class Platform;
class QTimer;
class ServerTable;
class Socket;

class RegistryQuery : public QObject {
    Q_OBJECT

public:
    // Milliseconds of a monotonic clock; tests and the fuzz target bring their own.
    using Clock = std::function<qint64()>;

    RegistryQuery(Socket &socket, Platform &platform, ServerTable &servers,
                  ReadingLimits limits = {}, Clock clock = steadyClock);

    void start(const RegistryEndpoint &endpoint);
    // Ends the conversation where it stands: a reply still being read is taken as it is and
    // acknowledged, then the launcher hangs up.
    void hangUp();

    // The socket's four events.
    void connected();
    void dataArrival();
    void closedByRegistry();
    void failed();
    // The reply has been quiet for as long as its timer was set. Its timer calls this; a test
    // with a clock of its own calls it once its clock has moved on.
    void quietTimeOver();

    static qint64 steadyClock();

signals:
    // The server table has more entries: list them.
    void newServers();
    // The reply is read and acknowledged and the connection closed: stop waiting.
    void readingOver();
    // The registry hung up before it sent a byte: say there are no servers, and end.
    void noServers();
    // No connection could be made, or it broke before a byte came: say so, once.
    void cannotConnect();

private:
    enum class Stage { Connecting, Reading, Acknowledged, Over };

    void readPending();
    void takeReply();
    void endReading();
    // A connection that ended with bytes in hand ended the reply, as far as it got.
    bool takeWhatCame();

    Socket &socket;
    Platform &platform;
    ServerTable &servers;
    Clock clock;
    ReplyReader reader;
    QTimer *quiet = nullptr;
    qint64 lastArrivalAt = 0;
    Stage stage = Stage::Connecting;
};
