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
#include "platform/host_file.h"

const char* const game_asset_names[GAME_ASSET_COUNT] = {
    "TOXICBG.BMP", "death.BMP",    "start.BMP", "Scanning.BMP", "Lockedon.bmp",
    "Duck.bmp",    "deadduck.bmp", "Rifle.WAV", "Beep.wav",
};

namespace {

constexpr int PICTURE_COUNT = 7;
constexpr size_t WAVE_FORMAT_BYTES = 18;  // the wave loader reads this much of the format
constexpr long WAVE_LARGEST = 64L * 1024 * 1024;
constexpr const char* HOW_TO_MAKE =
    "make the nine asset files with \"make assets\" (or \"make assets DIR=<folder>\") and run "
    "qent there or with --assets <folder>";

// The smallest picture each file must hold: the whole screen, or one row of bordered cells.
struct PictureNeed {
    int32_t width;
    int32_t height;
};

const PictureNeed PICTURE_NEEDS[PICTURE_COUNT] = {
    {640, 480}, {640, 480}, {640, 480}, {4 * 65, 65}, {7 * 65, 65}, {6 * 129, 65}, {3 * 129, 65},
};

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// What stands in the way of using a file: the problem's words, and what to say after the
// file's name (empty when the problem says it all).
struct Problem {
    const char* words;
    std::string detail;
};

// The whole open file into bytes, up to WAVE_LARGEST; false with the problem filled in.
bool ReadWholeFile(FILE* file, std::vector<uint8_t>* bytes, Problem* problem) {
    errno = 0;
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file) : -1;
    if (ok && size > WAVE_LARGEST) {
        problem->words = "cannot use";
        problem->detail = " (a WAVE file of at most " + std::to_string(WAVE_LARGEST >> 20) +
                          " MiB is needed; this one has " + std::to_string(size) + " bytes)";
        return false;
    }
    ok = ok && size >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        bytes->resize(static_cast<size_t>(size));
        ok = std::fread(bytes->data(), 1, bytes->size(), file) == bytes->size();
    }
    if (!ok) {
        problem->words = "cannot read";
        problem->detail = std::string(" (") + std::strerror(errno != 0 ? errno : EIO) + ")";
    }
    return ok;
}

// What the wave loader needs: a RIFF "WAVE" chunk whose first subchunk begins with format
// tag 1 and has 18 bytes to read, and a non-empty "data" subchunk after it.
bool WaveFileUsable(const std::vector<uint8_t>& bytes) {
    size_t pos = 0;
    while (pos + 12 <= bytes.size()) {
        size_t size = ReadU32(&bytes[pos + 4]);
        size_t end = pos + 8 + size;
        if (std::memcmp(&bytes[pos], "RIFF", 4) == 0 &&
            std::memcmp(&bytes[pos + 8], "WAVE", 4) == 0) {
            end = end < bytes.size() ? end : bytes.size();
            size_t format = pos + 12;
            if (format + 8 + WAVE_FORMAT_BYTES > bytes.size() || bytes[format + 8] != 1 ||
                bytes[format + 9] != 0) {
                return false;
            }
            size_t chunk = format + 8 + ((ReadU32(&bytes[format + 4]) + 1) & ~size_t{1});
            while (chunk + 8 <= end) {
                size_t chunk_size = ReadU32(&bytes[chunk + 4]);
                if (std::memcmp(&bytes[chunk], "data", 4) == 0) {
                    return chunk_size > 0 && chunk + 8 + chunk_size <= bytes.size();
                }
                chunk += 8 + ((chunk_size + 1) & ~size_t{1});
            }
            return false;
        }
        pos = end + (size & 1);
    }
    return false;
}

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

// An 8-bit picture at least need's size, read by the game's own loader.
bool PictureUsable(const std::string& path, const PictureNeed& need) {
    BitmapFile bitmap{};
    if (!BitmapFileLoad(&bitmap, path.c_str())) {
        return false;
    }
    bool usable = bitmap.info_header.biBitCount == 8 && bitmap.info_header.biWidth >= need.width &&
                  bitmap.info_header.biHeight >= need.height;
    BitmapFileUnload(&bitmap);
    return usable;
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
    for (int i = 0; i < GAME_ASSET_COUNT; i++) {
        const char* name = game_asset_names[i];
        std::string path = folder + "/" + name;
        Problem problem{nullptr, ""};
        FILE* file = OpenAsset(path, &problem);
        if (file != nullptr && i < PICTURE_COUNT) {
            std::fclose(file);
            if (!PictureUsable(path, PICTURE_NEEDS[i])) {
                problem.words = "cannot use";
                problem.detail = " (an 8-bit .BMP of at least " +
                                 std::to_string(PICTURE_NEEDS[i].width) + "x" +
                                 std::to_string(PICTURE_NEEDS[i].height) + " is needed)";
            }
        } else if (file != nullptr) {
            std::vector<uint8_t> bytes;
            const bool read = ReadWholeFile(file, &bytes, &problem);
            std::fclose(file);
            if (read && !WaveFileUsable(bytes)) {
                problem.words = "cannot use";
                problem.detail = " (a PCM WAVE file is needed)";
            }
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
