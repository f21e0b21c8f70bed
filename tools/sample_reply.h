// The registry's reply as the stand-in registry builds it: a server record, the encoder that turns
// servers into reply bytes, and the built-in sample list. A library of its own so tests and
// benchmarks build exactly the bytes the stand-in registry serves.
#pragma once

#include <QByteArray>
#include <QList>

// Fields stay raw bytes: the registry sends whatever it was given, and tests rely on odd or
// non-UTF-8 content reaching the launcher untouched.
struct DevServer {
    QByteArray address;
    QByteArray port;
    QByteArray name;
    QByteArray description;
    quint8 tileset = 0;
};

// The whole reply: the leading part, then one record per server.
QByteArray encodeServerList(const QList<DevServer> &servers);
// Its pieces, for building replies that are cut short or otherwise broken.
QByteArray replyLead();
QByteArray encodeRecord(const DevServer &server);

QList<DevServer> sampleServers();
