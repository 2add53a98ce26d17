// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a long drawing shows while it runs. The drawing keeps the user
// interface thread; from its own progress reports the main window is kept
// alive: from a moment in, a few times a second, the canvas shows the
// picture as it grows, the title shows the share done, and the window system
// is answered (repaints, the window manager's pings). The user's input waits
// for the end of the drawing; closing the main window stops it.

#include "heldinput.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdint>

class QWidget;

namespace vorlane::shell {

// Thrown from a progress report once the main window was closed: the
// program is ending, and nothing was going to be saved.
struct DrawingStopped {};

class DrawingProgress {
public:
    // Input waits in held from now on.
    DrawingProgress(QWidget& main, HeldInput& held);
    // Gives the main window back its own title and hands on the input that
    // waited, however the drawing ended.
    ~DrawingProgress();
    DrawingProgress(const DrawingProgress&) = delete;
    DrawingProgress& operator=(const DrawingProgress&) = delete;

    // The drawing has done that many scratches out of total.
    void report(std::int64_t done, std::int64_t total);

private:
    QWidget& main_;
    const QString caption_;
    const bool shown_;
    QElapsedTimer clock_;
    qint64 nextShow_;
    HeldInput& held_;
};

} // namespace vorlane::shell
