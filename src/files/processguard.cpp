// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "processguard.h"

#include "atomicfile.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace vorlane::files {

namespace {

SignalEnd ending = SignalEnd::Signal;

// Faults of the program itself, which leave a core where the system keeps
// one.
bool isFault(int signal) {
    for (const int fault : {SIGILL, SIGABRT, SIGBUS, SIGFPE, SIGSEGV, SIGSYS})
        if (signal == fault)
            return true;
    return false;
}

void onEnding(int signal) {
    const int error = errno;
    removeTemporaryFile();
    if (ending == SignalEnd::ExitStatus && !isFault(signal))
        ::_exit(fileReplaced() ? 0 : 128 + signal);
    // SA_RESETHAND has restored the default, which comes when this returns.
    ::raise(signal);
    errno = error;
}

void openClosedStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
            continue;
        // The lowest free descriptor is this one. Without /dev/null (a bare
        // chroot) a descriptor that cannot be written still holds the place.
        if (::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) < 0)
            ::open("/", O_PATH);
    }
}

} // namespace

void guardProcess(SignalEnd end) {
    openClosedStandardDescriptors();
    ending = end;
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    // The signals whose default action ends the process, less those two.
    const int named[] = {SIGHUP,    SIGINT,  SIGQUIT, SIGILL,  SIGABRT, SIGBUS,    SIGFPE,
                         SIGUSR1,   SIGSEGV, SIGUSR2, SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU,
                         SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSYS};
    const auto handle = [](int signal) {
        struct sigaction action {};
        if (::sigaction(signal, nullptr, &action) != 0 || action.sa_handler != SIG_DFL)
            return;
        action.sa_handler = onEnding;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        ::sigaction(signal, &action, nullptr);
    };
    for (const int signal : named)
        handle(signal);
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
        handle(signal);
}

} // namespace vorlane::files
