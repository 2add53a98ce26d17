// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vorlane::files {

// How a signal that would end the process ends it, once the temporary file
// of a save is gone: with the signal itself, or with the exit status 128 + N
// (0 once a file has been replaced, since the outcome on disk is then a new
// file). A program fault (SIGSEGV, SIGABRT, ...) always ends with its signal.
enum class SignalEnd { Signal, ExitStatus };

// What a program that saves files sets up first, before Qt starts: each of
// the standard descriptors 0, 1 and 2 that is closed is opened on /dev/null,
// so that no file the program opens can take its place; a file-size limit
// and a closed reader give errors (EFBIG, EPIPE) rather than end the
// process (SIGXFSZ and SIGPIPE are ignored); and every other signal whose
// default ends the process removes the named temporary file first. A signal
// ignored from the start (nohup) stays ignored, and one that something
// before main (a sanitizer) handles stays with it.
void guardProcess(SignalEnd end);

} // namespace vorlane::files
