// The part of the desktop that each system does its own way: finding the program's own directory
// and starting another program. The CMake file picks the one implementation for the system being
// built for, so nothing above this line asks which system it runs on.
#pragma once

#include "Platform.h"

#include <QByteArray>

namespace native {

// The directory that holds the program's own executable, in Qt's form ('/' separates), as bytes:
// the file system's own on Linux, UTF-8 on Windows so that no name is lost to a code page.
QByteArray applicationDirectory();

// Starts the program with its arguments, no shell, without waiting: as an argument vector where
// the system takes one, as a command line where it takes that. False when it could not be started.
bool startProcess(const ProcessStart &start);

} // namespace native
