// How the game client is started for a server: the command line it is promised, and the program
// and arguments that actually go to the system for it.
#pragma once

#include "ServerEntry.h"

#include <QByteArray>
#include <QList>

inline constexpr char ClientFileName[] = "brelgan.bin";

// The client's command line: directory, separator, "brelgan.bin", then address, port and tileset
// each after one blank. The texts go in as the registry sent them, unquoted.
QByteArray joinClientCommandLine(const QByteArray &applicationDirectory, char separator,
                                 const ServerEntry &server);

struct ClientLaunch {
    QByteArray program;
    QList<QByteArray> arguments;

    friend bool operator==(const ClientLaunch &, const ClientLaunch &) = default;
};

// The same command line as the system should run it: the program is exactly "brelgan.bin" in the
// application directory, whatever that directory's name holds, and the words after it are the
// joined line split on runs of blanks. Nothing is interpreted, so the registry's texts reach the
// client as literal bytes.
ClientLaunch clientLaunchFor(const QByteArray &applicationDirectory, const ServerEntry &server);

// Splits on runs of blanks (space, tab); never yields an empty word.
QList<QByteArray> splitOnBlanks(QByteArrayView line);
