// An address on loopback that swallows connection attempts, as a host that drops them does. With
// a backlog of 0 Linux queues one connection and drops further SYNs: once a filler connection
// holds that place, attempts hang until they give up.
#pragma once

#include <QTcpServer>
#include <QTcpSocket>

struct Swallower {
    QTcpServer server;
    QTcpSocket filler;

    bool listen(const QHostAddress &address, quint16 port = 0) {
        server.setListenBacklogSize(0);
        if (!server.listen(address, port))
            return false;
        server.pauseAccepting();
        filler.connectToHost(address, server.serverPort());
        return filler.waitForConnected(5000);
    }
};
