// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Vorlane: the rings that a bright point light shows through a scratched
// surface.

#include "files/processguard.h"
#include "shell/mainwindow.h"
#include "shell/program.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    vorlane::files::guardProcess(vorlane::files::SignalEnd::Signal);
    // Answered before Qt starts, so that it works without a display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0)
        return std::puts("vorlane " VORLANE_VERSION) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
    // The desktop matches the window to its entry, and so to its icon, by this.
    QGuiApplication::setDesktopFileName(QStringLiteral(VORLANE_APP_ID));
    QApplication app(argc, argv);
    vorlane::shell::Program program;
    program.forms().main().show();
    // Closing main, the last window, ends the loop with status 0.
    return QApplication::exec();
}
