// Building blocks of the dev registry's answer: the server record type, the encoder that
// turns a server list into the registry's reply bytes, a built-in sample list, and the
// parser for the TAB-separated server files given with --servers. Kept apart from the
// executable so benchmarks and tests can generate the same bytes the dev registry serves.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Fields stay raw bytes: the registry sends whatever it was given, and tests rely on
// odd or non-UTF-8 content reaching the launcher untouched.
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

// One server per line: address, port, name, description, tileset (decimal 0-255), separated
// by TABs. Empty lines are skipped and a trailing CR is dropped so files edited on Windows
// still load. On failure returns nullopt and, when error is given, a message naming the line.
std::optional<QList<DevServer>> readServerFile(const QByteArray &text, QString *error = nullptr);
