// Stand-in for the game client: records the command line the launcher started it with.
// Tests set BRELGAN_STUB_ARGV to a file path and compare its NUL-terminated arguments byte
// for byte, since stdout lines cannot show arguments that contain newlines. Written without
// Qt so that it starts instantly.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>

int main(int argc, char **argv) {
    for (int i = 1; i < argc; ++i)
        std::cout << argv[i] << '\n';
    std::cout.flush();

    const char *argvFile = std::getenv("BRELGAN_STUB_ARGV");
    if (argvFile == nullptr || *argvFile == '\0')
        return 0;

    std::ofstream out(argvFile, std::ios::binary | std::ios::trunc);
    for (int i = 1; i < argc; ++i) {
        out.write(argv[i], static_cast<std::streamsize>(std::strlen(argv[i])));
        out.put('\0');
    }
    out.close();
    // Fail loudly so a test sees the real cause instead of a missing or short file.
    if (!out) {
        std::cerr << "brelgan.bin: cannot write arguments to " << argvFile << '\n';
        return 1;
    }
    return 0;
}
