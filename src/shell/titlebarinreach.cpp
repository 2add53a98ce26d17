// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "titlebarinreach.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <algorithm>

namespace vorlane::shell {

TitleBarInReach::TitleBarInReach(QMdiSubWindow& frame, QMdiArea& area)
    : QObject(&frame), frame_(frame), viewport_(*area.viewport()) {
    frame_.installEventFilter(this);
    viewport_.installEventFilter(this);
}

bool TitleBarInReach::eventFilter(QObject* watched, QEvent* event) {
    const bool areaResized = watched == &viewport_ && event->type() == QEvent::Resize;
    const bool dragEnded = watched == &frame_ && event->type() == QEvent::MouseButtonRelease;
    const bool movedOtherwise = watched == &frame_ && event->type() == QEvent::Move &&
                                QGuiApplication::mouseButtons() == Qt::NoButton;
    // Queued: the frame finishes its own handling of the event first.
    if (areaResized || dragEnded || movedOtherwise)
        QMetaObject::invokeMethod(this, &TitleBarInReach::bringBack, Qt::QueuedConnection);
    return false;
}

void TitleBarInReach::bringBack() {
    // Before main is shown its area has no size of its own yet.
    if (!frame_.isVisible() || !viewport_.isVisible())
        return;
    // The content starts below the title bar and the frame's top edge.
    const int titleHeight = frame_.widget() ? frame_.widget()->y() : 0;
    const int reach = frame_.width() / 2;
    const QSize area = viewport_.size();
    const int x = std::max(reach - frame_.width(), std::min(frame_.x(), area.width() - reach));
    const int y = std::max(0, std::min(frame_.y(), area.height() - titleHeight));
    if (QPoint(x, y) != frame_.pos())
        frame_.move(x, y);
}

} // namespace vorlane::shell
