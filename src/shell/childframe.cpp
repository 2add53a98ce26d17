// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "childframe.h"

#include "screen/twips.h"

#include <QCloseEvent>
#include <QMdiArea>

namespace vorlane::shell {

ChildFrame::ChildFrame(QMdiArea& area, QWidget* content, Qt::WindowFlags flags) {
    // Where the content wants the focus to start; moving it into the frame
    // forgets that.
    QWidget* firstFocus = content->focusWidget();
    setWidget(content);
    setWindowTitle(content->windowTitle());
    area.addSubWindow(this);
    // Set once the frame has its parent: the area adds its own defaults otherwise.
    setWindowFlags(flags);
    // A child widget would otherwise appear with its parent.
    hide();
    if (firstFocus)
        firstFocus->setFocus();
}

void ChildFrame::setTop(float twips) {
    move(x(), screen::positionPixels(twips));
}

void ChildFrame::setLeft(float twips) {
    move(screen::positionPixels(twips), y());
}

void ChildFrame::closeEvent(QCloseEvent* event) {
    event->ignore();
}

} // namespace vorlane::shell
