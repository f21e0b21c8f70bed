// The servers of this run, in the order the registry listed them. List item i of the window is
// entry i, so the table only ever grows at its end.
#pragma once

#include "ServerEntry.h"

#include <QtGlobal>

#include <vector>

class ServerTable {
public:
    void append(std::vector<ServerEntry> &&entries) {
        if (servers.empty())
            servers = std::move(entries);
        else
            servers.insert(servers.end(), std::make_move_iterator(entries.begin()),
                           std::make_move_iterator(entries.end()));
    }

    qint32 serverCount() const { return static_cast<qint32>(servers.size()); }

    // Valid for 0 <= i < serverCount().
    const ServerEntry &entry(qint32 i) const { return servers[static_cast<size_t>(i)]; }

private:
    std::vector<ServerEntry> servers;
};
