// One game server as the registry lists it. The texts are the registry's bytes exactly as
// received: they become display text only in the window, and go to the game client unchanged.
#pragma once

#include <QByteArray>

struct ServerEntry {
    QByteArray Address;
    QByteArray Port;
    QByteArray Name;
    QByteArray Description;
    quint8 Tileset = 0;

    friend bool operator==(const ServerEntry &, const ServerEntry &) = default;
};
