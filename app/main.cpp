// The program's entry: reads the flags, finds the asset folder, opens the real screen and
// hands over to the shell.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/shell.h"
#include "game/game.h"
#include "game/icon.h"
#include "platform/host.h"
#include "qent/version.h"

namespace {

constexpr int EXIT_START_FAILED = 1;
constexpr int EXIT_BAD_FLAGS = 2;
constexpr int WINDOW_ICON_SIZE = 64;

#ifndef QENT_DATA_DIR
#define QENT_DATA_DIR "/usr/local/share/games/qent"
#endif
// The installed data folder, and where it lies from the installed binary (PREFIX/games).
constexpr const char* DATA_DIR = QENT_DATA_DIR;
constexpr const char* DATA_DIR_FROM_BINARY = "../share/games/qent";

constexpr const char* USAGE =
    "usage: qent [--window] [--assets DIR] [--help] [--version]\n"
    "  --window      play in a 1280x960 window instead of full screen\n"
    "  --assets DIR  read the nine asset files from DIR\n"
    "  --help        show this text and exit\n"
    "  --version     show the version and exit\n";

constexpr const char* CONTROLS =
    "Controls: the mouse aims, the left button shoots, Enter starts a game (and leaves the\n"
    "game-over screen), Space starts the next level, Escape quits, Alt+Enter switches between\n"
    "full screen and a window.\n";

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

struct AssetFolder {
    std::string path;
    const char* what;  // how --help and the messages name it
};

// Where the nine files are looked for without --assets, in this order.
std::vector<AssetFolder> AssetFolders() {
    std::vector<AssetFolder> folders;
    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error);
    folders.push_back({error ? std::string(".") : here.string(), "the working folder"});
    const std::string program = HostProgramFolder();
#if defined(_WIN32)
    // Windows programs keep their files beside them.
    if (!program.empty()) {
        folders.push_back({program, "beside the program"});
    }
#else
    folders.push_back({DATA_DIR, "the data folder"});
    if (!program.empty()) {
        // An installed tree moved elsewhere.
        const std::filesystem::path moved = std::filesystem::path(program) / DATA_DIR_FROM_BINARY;
        folders.push_back({moved.lexically_normal().string(), "beside the program"});
    }
#endif
    // The same folder reached twice is looked in once.
    std::vector<AssetFolder> unique;
    for (const AssetFolder& folder : folders) {
        bool seen = false;
        for (const AssetFolder& kept : unique) {
            seen = seen || std::filesystem::equivalent(kept.path, folder.path, error) ||
                   kept.path == folder.path;
        }
        if (!seen) {
            unique.push_back(folder);
        }
    }
    return unique;
}

// How many of the nine files the folder holds; first_missing names the first absent one.
int AssetsPresent(const std::string& folder, const char** first_missing) {
    int present = 0;
    *first_missing = nullptr;
    for (const GameAsset& asset : game_assets) {
        const char* name = asset.file;
        std::error_code error;
        if (std::filesystem::exists(std::filesystem::path(folder) / name, error)) {
            present++;
        } else if (*first_missing == nullptr) {
            *first_missing = name;
        }
    }
    return present;
}

void PrintHelp() {
    std::fputs(USAGE, stdout);
    std::fputs(CONTROLS, stdout);
    std::puts("Without --assets the nine files are looked for in:");
    for (const AssetFolder& folder : AssetFolders()) {
        std::printf("  %s (%s)\n", folder.path.c_str(), folder.what);
    }
}

// The first folder that holds all nine files. Otherwise empty, after one line naming the file
// missing from the most complete folder and every folder looked in.
std::string FindAssetFolder() {
    const std::vector<AssetFolder> folders = AssetFolders();
    size_t best = 0;
    int best_present = -1;
    const char* best_missing = nullptr;
    for (size_t i = 0; i < folders.size(); i++) {
        const char* missing = nullptr;
        const int present = AssetsPresent(folders[i].path, &missing);
        if (missing == nullptr) {
            return folders[i].path;
        }
        if (present > best_present) {
            best = i;
            best_present = present;
            best_missing = missing;
        }
    }
    std::string others;
    for (size_t i = 0; i < folders.size(); i++) {
        if (i != best) {
            others += (others.empty() ? "" : ", ") + folders[i].path;
        }
    }
    char line[4096];
    std::snprintf(line, sizeof line,
                  "qent: cannot find \"%s\" in %s (%s%s%s); reinstall the game, or make the "
                  "files with \"make assets DIR=<folder>\" and run qent with --assets <folder>",
                  best_missing, folders[best].path.c_str(), folders[best].what,
                  others.empty() ? "" : "; also looked in ", others.c_str());
    HostReportFailure(line);
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    AppFlags flags{};
    if (!AppParseFlags(argc, argv, &flags)) {
        return EXIT_BAD_FLAGS;
    }
    if (flags.show_help) {
        PrintHelp();
        return 0;
    }
    if (flags.show_version) {
        std::printf("qent %s\n", QENT_VERSION_STRING);
        return 0;
    }

    // The files are checked before the screen is touched: a missing one leaves it as it was.
    const std::string folder = flags.assets != nullptr ? flags.assets : FindAssetFolder();
    if (folder.empty() && flags.assets == nullptr) {
        return EXIT_START_FAILED;
    }
    char problem[1024];
    if (!GameCheckAssets(folder.c_str(), problem, sizeof problem)) {
        HostReportFailure(problem);
        return EXIT_START_FAILED;
    }
    // The game opens its files by bare name.
    if (chdir(folder.c_str()) != 0) {
        std::snprintf(problem, sizeof problem, "qent: cannot enter the asset folder \"%s\" (%s)",
                      folder.c_str(), std::strerror(errno));
        HostReportFailure(problem);
        return EXIT_START_FAILED;
    }
    const std::vector<uint8_t> icon = GameIconMake(".", WINDOW_ICON_SIZE);
    if (!icon.empty()) {
        HostSetIcon(icon.data(), WINDOW_ICON_SIZE, WINDOW_ICON_SIZE);
    }

    const ShellGame duck = {GameStartup, GameFrame, GameTeardown, GAME_TITLE};
    ShellOptions options{};
    options.windowed = flags.windowed;
    options.process_ends = 1;
    const int code = ShellRun(&duck, &options);
    if (code == SHELL_NO_SCREEN && HostError()[0] != '\0') {
        std::snprintf(problem, sizeof problem, "qent: %s", HostError());
        HostReportFailure(problem);
        return EXIT_START_FAILED;
    }
    return code;
}
