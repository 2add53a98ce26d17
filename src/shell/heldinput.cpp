// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "heldinput.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace vorlane::shell {

HeldInput::HeldInput() {
    QCoreApplication::instance()->installEventFilter(this);
}

HeldInput::~HeldInput() {
    QCoreApplication::instance()->removeEventFilter(this);
    if (held_.empty())
        return;
    auto held = std::make_shared<std::vector<Held>>(std::move(held_));
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [held] {
            // A drawing that failed shows its message first: input for the
            // windows that it blocks is dropped, as the window system does.
            const QWidget* modal = QApplication::activeModalWidget();
            for (Held& input : *held) {
                if (!input.target || (modal && input.target != modal->windowHandle()))
                    continue;
                // A key goes the way of a replayed key, which tries the
                // shortcuts first; a click stays the window system's, so
                // that it still gives the focus.
                if (input.event->type() == QEvent::KeyPress ||
                    input.event->type() == QEvent::KeyRelease)
                    QCoreApplication::sendEvent(input.target, input.event.get());
                else
                    QCoreApplication::instance()->notify(input.target, input.event.get());
            }
        },
        Qt::QueuedConnection);
}

bool HeldInput::eventFilter(QObject* target, QEvent* event) {
    // Only what comes from the window system; the program's own events pass.
    if (!event->spontaneous() || !event->isInputEvent())
        return false;
    // No shortcut fires now: the key itself is kept, and tries them again
    // when it is handed on.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    held_.push_back({target, std::unique_ptr<QEvent>(event->clone())});
    return true;
}

} // namespace vorlane::shell
