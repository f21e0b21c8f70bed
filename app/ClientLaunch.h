// How the game client is started for a server: "brelgan.bin" in the launcher's own directory,
// with the server's address, port and tileset.
#pragma once

#include "Platform.h"
#include "ServerEntry.h"

inline constexpr char ClientFileName[] = "brelgan.bin";

// The program is exactly "brelgan.bin" in the application directory, whatever that directory's
// name holds. The argument line is the address, the port and the tileset in decimal, each after
// one blank, as the registry sent them; the argument words are what that line splits into on runs
// of blanks, none empty. Nothing is interpreted, so the registry's texts reach the client as
// literal bytes.
ProcessStart clientLaunchFor(const QByteArray &applicationDirectory, const ServerEntry &server);
