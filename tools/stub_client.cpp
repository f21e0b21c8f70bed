// Stand-in for the game client: records the command line the launcher started it with.
// Tests set BRELGAN_STUB_ARGV to a file path and compare its NUL-terminated arguments byte
// for byte, since stdout lines cannot show arguments that contain newlines. With
// BRELGAN_STUB_SIGNALS set to a file path it also records the signals it was started with
// ignored or blocked, one line each ("ignored: 13", "blocked: 10 12"), so a test can see that
// the launcher's own signal set-up does not reach the client. Written without Qt so that it
// starts instantly.
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include <signal.h>

namespace {

// Fail loudly so a test sees the real cause instead of a missing or short file.
int reportUnwritable(const char *path) {
    std::cerr << "brelgan.bin: cannot write to " << path << '\n';
    return 1;
}

int writeSignalState(const char *path) {
    std::string ignored = "ignored:";
    std::string blocked = "blocked:";
    sigset_t mask;
    sigprocmask(SIG_BLOCK, nullptr, &mask);
    for (int sig = 1; sig < NSIG; ++sig) {
        struct sigaction action {};
        // Signals that the C library keeps for itself cannot be asked about; they are not ours.
        if (sigaction(sig, nullptr, &action) != 0)
            continue;
        if (action.sa_handler == SIG_IGN)
            ignored += ' ' + std::to_string(sig);
        if (sigismember(&mask, sig) == 1)
            blocked += ' ' + std::to_string(sig);
    }
    std::ofstream out(path, std::ios::trunc);
    out << ignored << '\n' << blocked << '\n';
    out.close();
    return out ? 0 : reportUnwritable(path);
}

} // namespace

int main(int argc, char **argv) {
    for (int i = 1; i < argc; ++i)
        std::cout << argv[i] << '\n';
    std::cout.flush();

    const char *signalsFile = std::getenv("BRELGAN_STUB_SIGNALS");
    if (signalsFile != nullptr && *signalsFile != '\0' && writeSignalState(signalsFile) != 0)
        return 1;

    const char *argvFile = std::getenv("BRELGAN_STUB_ARGV");
    if (argvFile == nullptr || *argvFile == '\0')
        return 0;

    std::ofstream out(argvFile, std::ios::binary | std::ios::trunc);
    for (int i = 1; i < argc; ++i) {
        out.write(argv[i], static_cast<std::streamsize>(std::strlen(argv[i])));
        out.put('\0');
    }
    out.close();
    return out ? 0 : reportUnwritable(argvFile);
}
