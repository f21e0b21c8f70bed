// What the window shows of a server, as text. Registry texts are 8-bit bytes in the registry's own
// code page, Windows-1252; they become QString here and nowhere else, at the moment a widget or a
// screen reader shows them.
#pragma once

#include "ServerEntry.h"

#include <QByteArrayView>
#include <QString>

// Windows-1252; the five bytes that have no character there read as in Latin-1.
QString displayText(QByteArrayView bytes);

// "Tileset Number: 12".
QString tilesetCaption(int tileset);

// A name as the list shows it: cut, like the description below, far beyond what the list can show;
// a registry's megabyte name would otherwise be decoded and laid out whole each time it is drawn.
QString shownName(QByteArrayView name);

// The description as the text box shows it: cut at a length far beyond what the box shows
// without scrolling. The box wraps one long word in time that grows with the square of its
// length, and a registry's megabyte without a blank froze the window for minutes.
QString shownDescription(const ServerEntry &server);

// What a screen reader says with a server beside its name, from what the window shows of it: the
// tileset caption, then the description when it says anything.
QString spokenDetails(const QString &caption, const QString &description);
