// Reading the registry's server list reply. A pure function over bytes: no sockets, no widgets.
#pragma once

#include "ServerEntry.h"

#include <QByteArrayView>

#include <vector>

// The reply is an optional leading part ended by 0x04, then records. A record is four NUL-ended
// texts (address, port, name, description), one unread byte, the tileset byte, and anything up to
// and including the next 0x04. Without a further 0x04 the next record starts at the unread byte.
// Parsing stops at the first record that is cut short (a text without its NUL, or fewer than two
// bytes after the fourth NUL); the whole records before it are returned in reply order.
std::vector<ServerEntry> parseServerList(QByteArrayView reply);
