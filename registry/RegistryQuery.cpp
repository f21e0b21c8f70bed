#include "RegistryQuery.h"

#include "Platform.h"
#include "Socket.h"

void RegistryQuery::start(const RegistryEndpoint &endpoint) {
    socket.Connect(endpoint.host, endpoint.port);
}

void RegistryQuery::connected() {
    if (platform.programEnded())
        return;
    socket.SendData(ListRequest);
}

std::optional<QByteArray> RegistryQuery::dataArrived() {
    // An arrival signalled while the events below run must not start a second reply: its bytes
    // are collected by the second read, in arrival order.
    if (replyTaken || platform.programEnded())
        return std::nullopt;
    replyTaken = true;

    QByteArray reply = socket.GetData();
    socket.SendData(ReplyAck);
    platform.runPendingEvents();
    if (platform.programEnded())
        return std::nullopt;
    reply += socket.GetData();
    socket.Close();
    platform.runPendingEvents();
    if (platform.programEnded())
        return std::nullopt;
    return reply;
}

void RegistryQuery::registryClosed() {
    // Once the reply is read, the registry hanging up is the ordinary end of the conversation.
    if (replyTaken || platform.programEnded())
        return;
    platform.showMessage(NoServersMessage);
    if (platform.programEnded())
        return;
    socket.Close();
    platform.runPendingEvents();
    platform.endProgram();
}

void RegistryQuery::failed() {
    if (replyTaken || failureShown || platform.programEnded())
        return;
    failureShown = true;
    platform.showMessage(CannotConnectMessage);
}
