// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// vorlane-render: Vorlane's picture without a display, written to a file.

#include "options.h"
#include "renderer.h"

#include "sim/drawsettings.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    using namespace vorlane::render;
    const QCoreApplication app(argc, argv);
    const int processors = vorlane::sim::everyProcessor();
    // One character a byte, so that file names keep their bytes.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLatin1(argv[i]);
    const CommandLine line = parseCommandLine(arguments, processors);
    switch (line.action) {
    case CommandLine::Action::Help:
        // A full disk or a closed output must not pass for help shown.
        if (std::fputs(qUtf8Printable(line.message), stdout) < 0 || std::fflush(stdout) != 0) {
            std::fprintf(stderr, "vorlane-render: cannot write the help: %s\n",
                         std::strerror(errno));
            return kRefused;
        }
        return kWritten;
    case CommandLine::Action::Refuse:
        std::fprintf(stderr, "vorlane-render: %s\nTry \"vorlane-render --help\".\n",
                     qUtf8Printable(line.message));
        return kRefused;
    case CommandLine::Action::Render:
        break;
    }
    return run(line.options);
}
