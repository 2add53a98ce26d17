// Faults on demand for vorlane-render, loaded with LD_PRELOAD. VORLANE_FAULTS
// lists them, separated by commas:
//   no-tmpfile    opening with O_TMPFILE fails with EOPNOTSUPP, as on file
//                 systems without unnamed files
//   fsync-file    syncing a regular file fails with EIO
//   fsync-folder  syncing a folder fails with EIO
//   rename        renaming fails with EIO
//   signal=N      syncing a regular file raises signal N first, when the
//                 content is written
//   realloc       growing a block past 1 MiB fails, as when memory runs out

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// The fault's value after "=" in VORLANE_FAULTS ("" for none), or nothing.
const char* fault(const char* name) {
    const char* list = std::getenv("VORLANE_FAULTS");
    const std::size_t length = std::strlen(name);
    for (const char* at = list; at && *at; at = std::strchr(at, ',') ? std::strchr(at, ',') + 1 : "") {
        if (std::strncmp(at, name, length) == 0 && (at[length] == '=' || at[length] == ',' || !at[length]))
            return at[length] == '=' ? at + length + 1 : "";
    }
    return nullptr;
}

template <typename Function> Function real(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

int openFile(const char* path, int flags, va_list rest) {
    const mode_t mode = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(rest, mode_t) : 0;
    if ((flags & O_TMPFILE) == O_TMPFILE && fault("no-tmpfile")) {
        errno = EOPNOTSUPP;
        return -1;
    }
    static const auto next = real<int (*)(const char*, int, ...)>("open");
    return next(path, flags, mode);
}

} // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const int fd = openFile(path, flags, rest);
    va_end(rest);
    return fd;
}

// The same function under its large-file name.
int open64(const char* path, int flags, ...) __attribute__((alias("open")));

int fsync(int fd) {
    struct stat status {};
    ::fstat(fd, &status);
    if (const char* signal = fault("signal"); signal && S_ISREG(status.st_mode))
        std::raise(std::atoi(signal));
    if (fault(S_ISDIR(status.st_mode) ? "fsync-folder" : "fsync-file")) {
        errno = EIO;
        return -1;
    }
    return real<int (*)(int)>("fsync")(fd);
}

int rename(const char* from, const char* to) {
    if (fault("rename")) {
        errno = EIO;
        return -1;
    }
    return real<int (*)(const char*, const char*)>("rename")(from, to);
}

void* realloc(void* block, std::size_t size) {
    if (size > (std::size_t(1) << 20) && fault("realloc")) {
        errno = ENOMEM;
        return nullptr;
    }
    static const auto next = real<void* (*)(void*, std::size_t)>("realloc");
    return next(block, size);
}

} // extern "C"
