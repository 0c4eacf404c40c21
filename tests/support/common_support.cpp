// Helpers every test file may use.

#include "tests/support/common_support.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

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
        std::string tmpl = (std::filesystem::temp_directory_path() / "qent_test_XXXXXX").string();
        if (mkdtemp(tmpl.data()) == nullptr) {
            std::abort();
        }
        scratch.path = tmpl;
    }
    return scratch.path + "/" + name;
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
    const std::vector<uint8_t> bytes = ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
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
