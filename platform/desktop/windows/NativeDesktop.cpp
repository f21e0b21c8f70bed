// Windows: the directory from GetModuleFileNameW, and CreateProcessW.
#include "NativeDesktop.h"
#include "WindowsProcess.h"

#include <QDir>
#include <QString>

#include <windows.h>

#include <vector>

QByteArray native::applicationDirectory() {
    // The path may exceed MAX_PATH; a full buffer means it was cut, so grow it and ask again.
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD length = 0;
    for (;;) {
        length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size())
            break;
        buffer.resize(buffer.size() * 2);
    }
    const QString executable =
        QDir::fromNativeSeparators(QString::fromWCharArray(buffer.data(), length));
    QString directory = executable.left(executable.lastIndexOf(u'/'));
    // A drive's root keeps its separator: "C:" alone would mean the current directory there.
    if (directory.endsWith(u':'))
        directory += u'/';
    return directory.toUtf8();
}

bool native::startProcess(const ProcessStart &start) {
    // Windows hands a program one command line, so the client gets the unsplit argument line.
    return startWindowsProcess(start.program, start.argumentLine);
}
