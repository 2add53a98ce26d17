// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Faults on demand for vorlane-render, loaded with LD_PRELOAD. VORLANE_FAULTS
// names them, separated by commas: no-tmpfile (opening with O_TMPFILE fails
// with EOPNOTSUPP, as on file systems without unnamed files), fsync-file and
// fsync-folder (syncing fails with EIO), rename (fails with EIO), signal=N
// (syncing a regular file raises signal N first, once the content is
// written), realloc (growing a block past 1 MiB fails, as without memory).

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// The text after the fault's name in VORLANE_FAULTS; no two names start alike.
const char* fault(const char* name) {
    const char* list = std::getenv("VORLANE_FAULTS");
    const char* at = list ? std::strstr(list, name) : nullptr;
    return at ? at + std::strlen(name) : nullptr;
}

template <typename Function> Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

int failWith(int error) {
    errno = error;
    return -1;
}

} // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const bool tmpfile = (flags & O_TMPFILE) == O_TMPFILE;
    const mode_t mode = (flags & O_CREAT) || tmpfile ? va_arg(rest, mode_t) : 0;
    va_end(rest);
    if (tmpfile && fault("no-tmpfile"))
        return failWith(EOPNOTSUPP);
    static const auto real = next<int (*)(const char*, int, ...)>("open");
    return real(path, flags, mode);
}

// The same function under its large-file name.
int open64(const char* path, int flags, ...) __attribute__((alias("open")));

int fsync(int fd) {
    struct stat status {};
    ::fstat(fd, &status);
    if (const char* signal = fault("signal="); signal && S_ISREG(status.st_mode))
        std::raise(std::atoi(signal));
    if (fault(S_ISDIR(status.st_mode) ? "fsync-folder" : "fsync-file"))
        return failWith(EIO);
    return next<int (*)(int)>("fsync")(fd);
}

int rename(const char* from, const char* to) {
    return fault("rename") ? failWith(EIO)
                           : next<int (*)(const char*, const char*)>("rename")(from, to);
}

void* realloc(void* block, std::size_t size) {
    static const auto real = next<void* (*)(void*, std::size_t)>("realloc");
    return size > (std::size_t(1) << 20) && fault("realloc") ? nullptr : real(block, size);
}

} // extern "C"
