// What the query's tests share: the records their registry sends, and the query wired to its socket
// as the window wires it, with each of its signals logged in the same log as the conversation's
// steps.
#pragma once

#include "QueryWiring.h"
#include "ServerTable.h"
#include "sample_reply.h"

#include <QStringList>

inline const QByteArray Lead = replyLead();
inline const QByteArray First = encodeRecord({"10.0.0.5", "5000", "Ashmere", "Fens", 2});
inline const QByteArray Second = encodeRecord({"10.0.0.6", "5001", "Brack", "Hills", 12});

// Passes the socket's events to the query, as the window does, and logs each of the query's
// signals in the same log as the conversation's steps.
inline void wire(Socket &socket, RegistryQuery &query, const ServerTable &servers,
                 QStringList &log) {
    connectSocketToQuery(socket, query);
    QObject::connect(&query, &RegistryQuery::newServers,
                     [&] { log.append(QStringLiteral("listed %1").arg(servers.serverCount())); });
    QObject::connect(&query, &RegistryQuery::readingOver, [&] { log.append("over"); });
    QObject::connect(&query, &RegistryQuery::noServers, [&] { log.append("no servers"); });
    QObject::connect(&query, &RegistryQuery::cannotConnect, [&] { log.append("cannot connect"); });
}
