// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QMdiArea;
class QMdiSubWindow;

namespace vorlane::shell {

// Keeps a child window's title bar within reach in its area, so that the
// window can always be dragged: left partly outside by a drag, a move or
// the area shrinking, the window is moved back just far enough that its
// title bar lies inside from top to bottom and over at least half its width.
// Acts once a drag has ended, never during one.
class TitleBarInReach final : public QObject {
public:
    // Owned by the frame.
    TitleBarInReach(QMdiSubWindow& frame, QMdiArea& area);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void bringBack();

    QMdiSubWindow& frame_;
    QWidget& viewport_;
};

} // namespace vorlane::shell
