// Everything the launcher tells the user, word for word, in one place.
#pragma once

#include <QString>

namespace Messages {

inline const QString SelectServer = QStringLiteral("Please select a server to connect to.");
inline const QString NoServers = QStringLiteral("There are no servers on the registry.");
inline const QString CannotConnect = QStringLiteral("Cannot connect to registry!");

// Vanishing when the client cannot start would look like success; the user is told, with the
// path that was tried.
inline QString clientCannotStart(const QString &program) {
    return QStringLiteral("The game client could not be started:\n%1").arg(program);
}

} // namespace Messages
