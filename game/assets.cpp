// The check of the nine asset files, made before the screen is touched, so that a missing
// or broken file stops the program with a clear line instead of a half-drawn game.
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "game/game.h"
#include "lib/bitmap.h"
#include "lib/sound.h"
#include "platform/host_audio.h"
#include "platform/host_file.h"

namespace {

constexpr const char* HOW_TO_MAKE =
    "make the nine asset files with \"make assets\" (or \"make assets DIR=<folder>\") and run "
    "qent there or with --assets <folder>";

// What stands in the way of using a file: the problem's words, and what to say after the
// file's name (empty when the problem says it all).
struct Problem {
    const char* words;
    std::string detail;
};

// Opens the file only when it is a regular file that may be read; otherwise null, with the
// words for why: missing, not readable (and the system's reason), or of the wrong kind.
FILE* OpenAsset(const std::string& path, Problem* problem) {
    HostFileRefusal refusal{};
    FILE* file = HostFileOpenRead(path.c_str(), "rb", &refusal);
    if (file != nullptr) {
        return file;
    }
    static const char* const KIND_NAMES[] = {"",         "a folder", "a FIFO",
                                             "a device", "a socket", "a special file"};
    if (refusal.kind != HOST_FILE_UNOPENED) {
        problem->words = "cannot use";
        problem->detail =
            std::string(" (a regular file is needed, not ") + KIND_NAMES[refusal.kind] + ")";
    } else if (refusal.error == ENOENT || refusal.error == ENOTDIR) {
        problem->words = "cannot find";
    } else {
        problem->words = "cannot read";
        problem->detail = std::string(" (") + std::strerror(refusal.error) + ")";
    }
    return nullptr;
}

// An 8-bit picture big enough for what start-up copies out of it: the whole screen, or one
// row of the sprite's bordered cells. Read by the game's own loader.
bool PictureUsable(const std::string& path, int32_t width, int32_t height) {
    BitmapFile bitmap{};
    if (!BitmapFileLoad(&bitmap, path.c_str())) {
        return false;
    }
    bool usable = bitmap.info_header.biBitCount == 8 && bitmap.info_header.biWidth >= width &&
                  bitmap.info_header.biHeight >= height;
    BitmapFileUnload(&bitmap);
    return usable;
}

// What the picture must hold: the screen, or a sprite's row of cells one pixel wider and
// taller than its frames.
void PictureNeed(const GameAsset& asset, int32_t* width, int32_t* height) {
    *width = asset.width;
    *height = asset.height;
    if (asset.kind == GAME_ASSET_SPRITE) {
        *width = asset.frames * (asset.width + 1);
        *height = asset.height + 1;
    }
}

// The folder as the user would look for it: absolute when it can be resolved.
std::string FolderName(const char* dir) {
#ifdef _WIN32
    char resolved[_MAX_PATH];
    if (_fullpath(resolved, dir, sizeof resolved) != nullptr) {
        return resolved;
    }
#else
    char resolved[PATH_MAX];
    if (realpath(dir, resolved) != nullptr) {
        return resolved;
    }
#endif
    return dir;
}

}  // namespace

int GameCheckAssets(const char* dir, char* message, size_t size) {
    // An empty name is no folder at all; it would only fail later, with nothing to show.
    if (dir != nullptr && dir[0] == '\0') {
        if (message != nullptr && size > 0) {
            std::snprintf(message, size, "qent: the asset folder's name is empty; %s", HOW_TO_MAKE);
        }
        return 0;
    }
    std::string folder = dir == nullptr ? "." : dir;
    for (const GameAsset& asset : game_assets) {
        const char* name = asset.file;
        std::string path = folder + "/" + name;
        Problem problem{nullptr, ""};
        FILE* file = OpenAsset(path, &problem);
        int32_t width = 0;
        int32_t height = 0;
        uint32_t data_size = 0;
        if (file != nullptr) {
            std::fclose(file);  // each check below opens it again with the library's loader
        }
        if (file == nullptr) {
            // OpenAsset has said why
        } else if (asset.kind != GAME_ASSET_SOUND) {
            PictureNeed(asset, &width, &height);
            if (!PictureUsable(path, width, height)) {
                problem.words = "cannot use";
                problem.detail = " (an 8-bit .BMP of at least " + std::to_string(width) + "x" +
                                 std::to_string(height) + " is needed)";
            }
        } else if (!SoundCheckWave(path.c_str(), &data_size) || data_size == 0) {
            problem.words = "cannot use";
            problem.detail = " (a PCM WAVE file is needed)";
        } else if (data_size > DSBSIZE_MAX) {
            problem.words = "cannot use";
            problem.detail = " (a WAVE file with at most " + std::to_string(DSBSIZE_MAX) +
                             " bytes of sound is needed; this one has " +
                             std::to_string(data_size) + ")";
        }
        if (problem.words != nullptr) {
            if (message != nullptr && size > 0) {
                std::snprintf(message, size, "qent: %s \"%s\" in %s%s; %s", problem.words, name,
                              FolderName(folder.c_str()).c_str(), problem.detail.c_str(),
                              HOW_TO_MAKE);
            }
            return 0;
        }
    }
    if (message != nullptr && size > 0) {
        message[0] = '\0';
    }
    return 1;
}
