// Helpers every test file may use.

#include "tests/support/common_support.h"

#if QENT_HAVE_POSIX_FILES
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
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

#if QENT_HAVE_POSIX_FILES
ChildResult RunInChild(double seconds, const std::function<std::string()>& body) {
    int fds[2];
    if (pipe(fds) != 0) {
        return {false, "no pipe"};
    }
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return {false, "no fork"};
    }
    if (child == 0) {
        close(fds[0]);
        const std::string out = body();
        size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = write(fds[1], out.data() + done, out.size() - done);
            if (n <= 0) {
                break;
            }
            done += static_cast<size_t>(n);
        }
        _exit(0);  // no exit handlers: the parent's scratch folder and leak check are its own
    }
    close(fds[1]);
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(seconds));
    ChildResult result{false, ""};
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            break;
        }
        pollfd pfd{fds[0], POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(left)) <= 0) {
            continue;
        }
        char chunk[4096];
        const ssize_t n = read(fds[0], chunk, sizeof chunk);
        if (n <= 0) {
            result.finished = true;  // the child closed its end: the body has returned
            break;
        }
        result.output.append(chunk, static_cast<size_t>(n));
    }
    close(fds[0]);
    if (!result.finished) {
        kill(child, SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    result.finished = result.finished && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}
#endif

std::vector<uint8_t> SurfaceBytes(HostSurface* surface) {
    HostSurfaceDesc desc{};
    desc.dwSize = HOST_SURFACE_DESC_SIZE;
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
