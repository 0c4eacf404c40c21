// The program's entry: reads the flags, opens the real screen and hands over to WinMain.
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "app/shell.h"
#include "game/game.h"
#include "platform/host.h"
#include "qent/version.h"

namespace {

constexpr int EXIT_START_FAILED = 1;
constexpr int EXIT_BAD_FLAGS = 2;

constexpr const char* USAGE =
    "usage: qent [--window] [--assets DIR] [--help] [--version]\n"
    "  --window      play in a 1280x960 window instead of full screen\n"
    "  --assets DIR  read the nine asset files from DIR instead of the working folder\n"
    "  --help        show this text and exit\n"
    "  --version     show the version and exit\n"
    "Mouse aims, left button shoots, Enter and Space answer the screens, Escape quits,\n"
    "Alt+Enter switches between full screen and a window.\n";

struct AppFlags {
    int windowed;        // --window
    int show_help;       // --help
    int show_version;    // --version
    const char* assets;  // --assets DIR; null: the working folder
};

// Fills flags from argv; 0 (after saying why on stderr) for a flag it does not know.
int AppParseFlags(int argc, char** argv, AppFlags* flags) {
    for (int i = 1; i < argc; i++) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--window") == 0) {
            flags->windowed = 1;
        } else if (std::strcmp(arg, "--help") == 0) {
            flags->show_help = 1;
        } else if (std::strcmp(arg, "--version") == 0) {
            flags->show_version = 1;
        } else if (std::strcmp(arg, "--assets") == 0) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "qent: --assets needs a folder\n%s", USAGE);
                return 0;
            }
            flags->assets = argv[++i];
        } else {
            // Flags that take a value (such as a folder) read argv[++i] in a branch above.
            std::fprintf(stderr, "qent: unknown flag '%s'\n%s", arg, USAGE);
            return 0;
        }
    }
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    AppFlags flags{};
    if (!AppParseFlags(argc, argv, &flags)) {
        return EXIT_BAD_FLAGS;
    }
    if (flags.show_help) {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (flags.show_version) {
        std::printf("qent %s\n", QENT_VERSION_STRING);
        return 0;
    }

    // The files are checked before the screen is touched: a missing one leaves it as it was.
    const char* folder = flags.assets != nullptr ? flags.assets : ".";
    char problem[1024];
    if (!GameCheckAssets(folder, problem, sizeof problem)) {
        HostReportFailure(problem);
        return EXIT_START_FAILED;
    }
    // The game opens its files by bare name.
    if (flags.assets != nullptr && chdir(flags.assets) != 0) {
        std::snprintf(problem, sizeof problem, "qent: cannot enter the asset folder %s",
                      flags.assets);
        HostReportFailure(problem);
        return EXIT_START_FAILED;
    }

    const ShellGame duck = {GameStartup, GameFrame, GameTeardown, GAME_TITLE};
    ShellOptions options{};
    options.windowed = flags.windowed;
    const int code = ShellRun(&duck, &options);
    if (code == SHELL_NO_SCREEN && HostError()[0] != '\0') {
        std::snprintf(problem, sizeof problem, "qent: %s", HostError());
        HostReportFailure(problem);
        return EXIT_START_FAILED;
    }
    return code;
}
