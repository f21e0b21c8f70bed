// Registry texts are 8-bit bytes in the registry's own code page, Windows-1252. They become
// QString here and nowhere else, at the moment a widget shows them.
#pragma once

#include <QByteArrayView>
#include <QString>

// Windows-1252; the five bytes that have no character there read as in Latin-1.
QString displayText(QByteArrayView bytes);
