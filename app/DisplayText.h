// Registry texts are 8-bit bytes in the registry's own code page, Windows-1252. They become
// QString here and nowhere else, at the moment a widget shows them.
#pragma once

#include <QString>

#include <string_view>

// Windows-1252; the five bytes that have no character there read as in Latin-1.
QString displayText(std::string_view bytes);
