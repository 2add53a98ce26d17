// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Faults on demand for vorlane-render, loaded with LD_PRELOAD. VORLANE_FAULTS
// names them, separated by commas: no-tmpfile (opening with O_TMPFILE fails
// with EOPNOTSUPP, as on file systems without unnamed files), no-modes
// (fchmod fails with ENOSYS, as on vfat), no-acl (setting an access list
// fails with EOPNOTSUPP), fsync-file and fsync-folder
// (syncing fails with EIO), rename (fails with EIO), signal=N (syncing a
// regular file raises signal N first, once the content is written),
// replaced=N (syncing the folder, after the rename, raises signal N
// first), realloc (growing a block past 1 MiB fails, as without memory),
// fsize=N (a file-size limit of N bytes, as ulimit -f sets), closed-streams
// (descriptors 0, 1 and 2 closed at start, with Qt's debug messages on, so
// that something writes to descriptor 2), one-processor (the process may run
// on one processor only), threads=N (the thread after N ends the process at
// once with status 137, without any cleanup, as SIGKILL would).

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

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

// Faults of the process as a whole, made before main.
__attribute__((constructor)) void atStart() {
    if (const char* limit = fault("fsize=")) {
        const rlimit size{rlim_t(std::atoll(limit)), rlim_t(std::atoll(limit))};
        ::setrlimit(RLIMIT_FSIZE, &size);
    }
    if (fault("closed-streams")) {
        ::setenv("QT_LOGGING_RULES", "*.debug=true", 1);
        for (int fd = 0; fd <= 2; ++fd)
            ::close(fd);
    }
    cpu_set_t processors;
    if (fault("one-processor") && ::sched_getaffinity(0, sizeof processors, &processors) == 0) {
        cpu_set_t one;
        CPU_ZERO(&one);
        for (int cpu = 0; cpu < CPU_SETSIZE && CPU_COUNT(&one) == 0; ++cpu)
            if (CPU_ISSET(cpu, &processors))
                CPU_SET(cpu, &one);
        ::sched_setaffinity(0, sizeof one, &one);
    }
}

} // namespace

extern "C" {

int fchmod(int fd, mode_t mode) {
    return fault("no-modes") ? failWith(ENOSYS) : next<int (*)(int, mode_t)>("fchmod")(fd, mode);
}

int fsetxattr(int fd, const char* name, const void* value, std::size_t size, int flags) {
    if (fault("no-acl") && std::strcmp(name, "system.posix_acl_access") == 0)
        return failWith(EOPNOTSUPP);
    using Set = int (*)(int, const char*, const void*, std::size_t, int);
    return next<Set>("fsetxattr")(fd, name, value, size, flags);
}

int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*start)(void*),
                   void* argument) {
    static int started = 0;
    if (const char* most = fault("threads="); most && ++started > std::atoi(most))
        ::_exit(137);
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    return next<Create>("pthread_create")(thread, attributes, start, argument);
}

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
    if (const char* signal = fault("replaced="); signal && S_ISDIR(status.st_mode))
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
