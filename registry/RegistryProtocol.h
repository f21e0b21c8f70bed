// Where the registry is, and the two messages the launcher sends it.
#pragma once

#include <QByteArrayView>
#include <QString>

inline constexpr quint16 RegistryPort = 5679;

struct RegistryEndpoint {
    QString host;
    quint16 port = RegistryPort;
};

// Asks for the server list; sent as soon as the connection stands.
inline constexpr QByteArrayView ListRequest("\x00\x02\x03\x01", 4);
// Acknowledges the reply; sent once it has been read, before the launcher hangs up.
inline constexpr QByteArrayView ReplyAck("\x00\x01\x04", 3);
