#include "WindowsProcess.h"

#include <QDir>
#include <QString>

#include <windows.h>

namespace {

std::wstring nativePath(const QByteArray &path) {
    return QDir::toNativeSeparators(QString::fromUtf8(path)).toStdWString();
}

} // namespace

std::wstring fromWindows1252(QByteArrayView bytes) {
    if (bytes.isEmpty())
        return {};
    // The system's own table for the registry's code page. With no flags it never fails on a
    // byte: the holes in 1252 come out as the control characters of the same number.
    const int size = static_cast<int>(bytes.size());
    std::wstring text(static_cast<size_t>(size), L'\0');
    const int written = MultiByteToWideChar(1252, 0, bytes.data(), size, text.data(), size);
    text.resize(static_cast<size_t>(written));
    return text;
}

std::wstring windowsCommandLine(const QByteArray &program, QByteArrayView argumentLine) {
    return L'"' + nativePath(program) + L"\" " + fromWindows1252(argumentLine);
}

bool startWindowsProcess(const QByteArray &program, QByteArrayView argumentLine) {
    // The program is named on its own as well: without it, Windows reads the program from the
    // command line, tries "C:\Games\Win" for "C:\Games\Win Launcher\brelgan.bin" and would run a
    // C:\Games\Win.exe. With it, nothing but this file is ever started.
    const std::wstring application = nativePath(program);
    std::wstring commandLine = windowsCommandLine(program, argumentLine);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    // CreateProcessW may write into the command line, so it gets a buffer of its own.
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &process))
        return false;
    // The launcher ends at once and has the foreground; hand that right on, so the client's
    // window comes up in front with the focus rather than flashing in the task bar.
    AllowSetForegroundWindow(process.dwProcessId);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}
