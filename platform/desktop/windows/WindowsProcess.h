// Starting the game client on Windows, where a program receives one command line rather than a
// list of arguments, and that line is UTF-16 while the registry's texts are Windows-1252 bytes.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <string>

// Each byte as the Windows-1252 character it stands for; the five bytes that have no character
// there (0x81 0x8D 0x8F 0x90 0x9D) as the code point of the same number, as in Latin-1.
std::wstring fromWindows1252(QByteArrayView bytes);

// The command line the client receives: the program path (UTF-8, either separator) with native
// separators inside double quotes, so the client's own parsing sees a directory that holds blanks
// whole; then one blank and the argument line as its characters, verbatim, so a blank inside an
// address splits it there as it would anywhere else.
std::wstring windowsCommandLine(const QByteArray &program, QByteArrayView argumentLine);

// Starts `program` with that command line through CreateProcessW, no shell, without waiting.
// False when it could not be started.
bool startWindowsProcess(const QByteArray &program, QByteArrayView argumentLine);
