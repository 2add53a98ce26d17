// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// vorlane-render: Vorlane's picture without a display, written to a file.

#include "options.h"
#include "renderer.h"

#include "files/processguard.h"
#include "sim/rules/drawsettings.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    using namespace vorlane::render;
    vorlane::files::guardProcess(vorlane::files::SignalEnd::ExitStatus);
    // Taken before Qt sees them, since Qt takes its own options out of argv
    // (-qmljsdebugger=...): the strict parser refuses them like any other.
    // One character a byte, so that file names keep their bytes.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLatin1(argv[i]);
    // The canvas is 96 dpi, and its files say so, as Vorlane's do on a 96-dpi
    // screen; without a screen Qt would write 100.
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi);
    const QCoreApplication app(argc, argv);
    const CommandLine line = parseCommandLine(arguments, vorlane::sim::everyProcessor());
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
