// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawingprogress.h"

#include <QCoreApplication>
#include <QWidget>

namespace vorlane::shell {

namespace {
// Short drawings show nothing; longer ones show themselves a few times a
// second, well within the second that a window manager waits for a ping.
constexpr qint64 kQuietStartMs = 300;
constexpr qint64 kRefreshMs = 250;

// The main window's title while a drawing runs: "Vorlane - 45 %".
QString progressTitle(const QString& caption, std::int64_t done, std::int64_t total) {
    const std::int64_t percent = total > 0 ? done * 100 / total : 100;
    return QStringLiteral("%1 - %2 %").arg(caption).arg(percent);
}
} // namespace

DrawingProgress::DrawingProgress(QWidget& main, HeldInput& held)
    : main_(main), caption_(main.windowTitle()), shown_(main.isVisible()), nextShow_(kQuietStartMs),
      held_(held) {
    held_.hold();
    clock_.start();
}

DrawingProgress::~DrawingProgress() {
    main_.setWindowTitle(caption_);
    held_.release();
}

void DrawingProgress::report(std::int64_t done, std::int64_t total) {
    if (clock_.elapsed() < nextShow_)
        return;
    main_.setWindowTitle(progressTitle(caption_, done, total));
    // Repaints the canvas from its image: no thread draws on it during a report.
    QCoreApplication::processEvents();
    if (shown_ && !main_.isVisible())
        throw DrawingStopped{};
    nextShow_ = clock_.elapsed() + kRefreshMs;
}

} // namespace vorlane::shell
