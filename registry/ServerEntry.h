// One game server as the registry lists it. The texts are the registry's bytes exactly as
// received: they become display text only in the window, and go to the game client unchanged.
#pragma once

#include <cstdint>
#include <string>

struct ServerEntry {
    std::string Address;
    std::string Port;
    std::string Name;
    std::string Description;
    std::uint8_t Tileset = 0;

    friend bool operator==(const ServerEntry &, const ServerEntry &) = default;
};
