// Regular files opened for reading, without blocking on whatever else a name may hold.

#include "platform/host_file.h"

#include "platform/host.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

int KindOf(mode_t mode) {
    if (S_ISDIR(mode)) {
        return HOST_FILE_FOLDER;
    }
    if (S_ISFIFO(mode)) {
        return HOST_FILE_FIFO;
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return HOST_FILE_DEVICE;
    }
#if defined(S_ISSOCK)
    if (S_ISSOCK(mode)) {
        return HOST_FILE_SOCKET;
    }
#endif
    return HOST_FILE_OTHER;
}

}  // namespace

FILE* HostFileOpenRead(const char* path, const char* mode, HostFileRefusal* refusal) {
    HostFileRefusal ignored{};
    HostFileRefusal& out = refusal != nullptr ? *refusal : ignored;
    out = HostFileRefusal{HOST_FILE_UNOPENED, 0};
    if (path == nullptr || mode == nullptr) {
        out.error = EINVAL;
        return nullptr;
    }
    // A look at the name first spares devices an open; the open file's own type decides, in
    // case the name changed in between. O_NONBLOCK lets a FIFO without a writer open at once.
    struct stat info;
    if (stat(path, &info) != 0) {
        out.error = errno;
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        out.kind = KindOf(info.st_mode);
        return nullptr;
    }
#if defined(_WIN32)
    // No FIFO there blocks an open: the name's type is the file's.
    FILE* opened = std::fopen(path, mode);
    if (opened == nullptr) {
        out.error = errno;
    }
    return opened;
#else
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        out.error = errno;
        return nullptr;
    }
    if (fstat(fd, &info) != 0) {
        out.error = errno;
        close(fd);
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        out.kind = KindOf(info.st_mode);
        close(fd);
        return nullptr;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags != -1) {
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    FILE* file = fdopen(fd, mode);
    if (file == nullptr) {
        out.error = errno;
        close(fd);
    }
    return file;
#endif
}

const char* HostProgramFolder() {
    static std::string folder;
    static bool asked = false;
    if (!asked) {
        asked = true;
#if defined(_WIN32)
        char path[4096];
        const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
        if (length > 0 && length < sizeof path) {
            folder.assign(path, length);
            folder.erase(
                folder.find_last_of("\\/") == std::string::npos ? 0 : folder.find_last_of("\\/"));
        }
#else
        char path[4096];
        const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
        if (length > 0 && static_cast<size_t>(length) < sizeof path) {
            folder.assign(path, static_cast<size_t>(length));
            folder.erase(folder.rfind('/') == std::string::npos ? 0 : folder.rfind('/'));
        }
#endif
    }
    return folder.c_str();
}
