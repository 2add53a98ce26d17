// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMdiSubWindow>

class QMdiArea;

namespace vorlane::shell {

// A child window of the main window, placed in twips. The user cannot close
// it: the program has no command that would bring it back.
class ChildFrame final : public QMdiSubWindow {
    Q_OBJECT

public:
    // Adds the frame, hidden, to the area, with the content's window title
    // as its caption.
    ChildFrame(QMdiArea& area, QWidget* content, Qt::WindowFlags flags);

    // Twips from the top-left corner of the main window's client area.
    void setTop(float twips);
    void setLeft(float twips);

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace vorlane::shell
