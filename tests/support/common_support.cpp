// Helpers every test file may use.

#include "tests/support/common_support.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace {

// Removes the scratch folder when the test process ends.
struct ScratchFolder {
    std::string path;
    ~ScratchFolder() {
        if (!path.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    }
};

ScratchFolder scratch;

}  // namespace

std::string ScratchPath(const std::string& name) {
    if (scratch.path.empty()) {
        scratch.path = MakeTempFolder("qent_test_");
        if (scratch.path.empty()) {
            std::abort();
        }
    }
    return scratch.path + "/" + name;
}

std::string MakeTempFolder(const std::string& prefix) {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
#ifdef _WIN32
    // No mkdtemp: random names until one is new (create_directory refuses an existing one).
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path path = base / (prefix + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(path, error)) {
            return path.string();
        }
    }
    return "";
#else
    std::string tmpl = (base / (prefix + "XXXXXX")).string();
    return mkdtemp(tmpl.data()) != nullptr ? tmpl : "";
#endif
}

std::string PreparedAssetFolder() {
    const char* folder = std::getenv("QENT_ASSET_DIR");
    return folder != nullptr ? folder : "";
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool WriteText(const std::string& path, const std::string& text) {
    return WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

std::string ReadText(const std::string& path) {
    // In text mode, as the library writes its text files: line ends read as '\n' everywhere.
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> SurfaceBytes(HostSurface* surface) {
    HostSurfaceDesc desc{};
    desc.dwSize = 108;
    std::vector<uint8_t> out;
    if (surface == nullptr || HostSurfaceLock(surface, nullptr, &desc, DDLOCK_WAIT) == 0) {
        return out;
    }
    for (uint32_t y = 0; y < desc.dwHeight; y++) {
        const uint8_t* row = desc.lpSurface + static_cast<size_t>(y) * desc.lPitch;
        out.insert(out.end(), row, row + desc.dwWidth);
    }
    HostSurfaceUnlock(surface, desc.lpSurface);
    return out;
}

std::string ShowEntry(const PaletteEntry& e, bool flags) {
    return std::to_string(e.red) + "," + std::to_string(e.green) + "," + std::to_string(e.blue) +
           (flags ? " flags " + std::to_string(e.flags) : "");
}
