// The launcher's one conversation with the registry: connect, ask for the list, read the reply,
// acknowledge it, hang up. The window forwards its socket's events here and lists what comes back.
#pragma once

#include "RegistryProtocol.h"

#include <QByteArray>

#include <optional>

class Platform;
class Socket;

class RegistryQuery {
public:
    RegistryQuery(Socket &socket, Platform &platform) : socket(socket), platform(platform) {}

    void start(const RegistryEndpoint &endpoint);

    void connected();
    // The reply, once per run, after the connection has been closed; nothing when it was read
    // already or the program ended meanwhile.
    std::optional<QByteArray> dataArrived();
    // The registry hung up first: says there are no servers and ends the program.
    void registryClosed();
    void failed();

private:
    Socket &socket;
    Platform &platform;
    bool replyTaken = false;
    bool failureShown = false;
};
