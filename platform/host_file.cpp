// Regular files opened for reading, without blocking on whatever else a name may hold.

#include "platform/host_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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
    if (S_ISSOCK(mode)) {
        return HOST_FILE_SOCKET;
    }
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
}
