// The registry's reply as the stand-in registry builds it: the encoder that turns servers into
// reply bytes, and the built-in sample list. A library of its own so tests and
// benchmarks build exactly the bytes the stand-in registry serves.
#pragma once

#include "ServerEntry.h"

#include <QByteArray>
#include <QList>

// The whole reply: the leading part, then one record per server.
QByteArray encodeServerList(const QList<ServerEntry> &servers);
// Its pieces, for building replies that are cut short or otherwise broken.
QByteArray replyLead();
QByteArray encodeRecord(const ServerEntry &server);

QList<ServerEntry> sampleServers();
