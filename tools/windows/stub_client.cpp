// Stand-in for the game client on Windows: records the command line the launcher started it
// with. A Windows program receives one line, not a list of words, so that line is what it keeps:
// GetCommandLineW() exactly, as UTF-8 followed by a NUL, in "brelgan.bin.received" beside the
// executable. Only the Windows API, so it needs no DLL of its own and starts at once.
#include <windows.h>

#include <string>
#include <vector>

namespace {

std::string utf8(const wchar_t *text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
    bytes.pop_back(); // the terminating NUL
    return bytes;
}

std::wstring recordPath() {
    std::vector<wchar_t> path(32768);
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::wstring file(path.data(), length);
    file.erase(file.find_last_of(L'\\') + 1);
    return file + L"brelgan.bin.received";
}

} // namespace

int main() {
    std::string record = utf8(GetCommandLineW());
    record.push_back('\0');

    // Written under a temporary name and renamed, so a test that sees the file sees all of it.
    const std::wstring path = recordPath();
    const std::wstring partial = path + L".part";
    const HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != record.size())
        return 1;
    return MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
