// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "heldinput.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace vorlane::shell {

namespace {

template <typename... Ts> struct Overloaded : Ts... { using Ts::operator()...; };

} // namespace

HeldInput::HeldInput() {
    QCoreApplication::instance()->installEventFilter(this);
}

HeldInput::~HeldInput() {
    QCoreApplication::instance()->removeEventFilter(this);
}

void HeldInput::hold() {
    holding_ = true;
}

void HeldInput::release() {
    holding_ = false;
    drawingEndedAt_ = handingOn_;
    handOnLater();
}

bool HeldInput::eventFilter(QObject* target, QEvent* event) {
    // Only what comes from the window system, while a drawing runs or older
    // input still waits; the program's own events pass, the handed-on ones
    // among them.
    if ((!holding_ && waiting_.empty()) || !event->spontaneous())
        return false;
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // No shortcut fires now: the key itself waits, and tries them again
        // when it is handed on.
        event->accept();
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        // Kept where the window system brings it, at its window; the
        // window hands it on to its widgets only when it is handed on.
        if (auto* window = qobject_cast<QWindow*>(target)) {
            waiting_.push_back(copy(*window, static_cast<QInputEvent&>(*event)));
            return true;
        }
        return false;
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
        // Left unhandled, so that Qt makes of them the mouse events that wait.
        if (target->isWindowType()) {
            event->ignore();
            return true;
        }
        return false;
    default:
        return false;
    }
}

HeldInput::Input HeldInput::copy(QWindow& window, const QInputEvent& event) {
    Input input{&window, event.device(), event.modifiers(), event.timestamp(), {}};
    if (event.type() == QEvent::Wheel) {
        const auto& wheel = static_cast<const QWheelEvent&>(event);
        input.what =
            Wheel{wheel.position(), wheel.globalPosition(), wheel.pixelDelta(), wheel.angleDelta(),
                  wheel.buttons(),  wheel.phase(),          wheel.inverted(),   wheel.source()};
    } else if (event.type() == QEvent::KeyPress || event.type() == QEvent::KeyRelease) {
        const auto& key = static_cast<const QKeyEvent&>(event);
        input.what = Key{key.type(),
                         key.key(),
                         key.text(),
                         key.isAutoRepeat(),
                         static_cast<quint16>(key.count()),
                         key.nativeScanCode(),
                         key.nativeVirtualKey(),
                         key.nativeModifiers()};
    } else {
        const auto& mouse = static_cast<const QMouseEvent&>(event);
        input.what = Mouse{mouse.type(),   mouse.position(), mouse.globalPosition(),
                           mouse.button(), mouse.buttons(),  mouse.source()};
    }
    return input;
}

// Each event in an event-loop pass of its own, the next one asked for before
// this one is handled: a menu or a dialog that it opens then gets the ones
// that follow, as it would have without the drawing.
void HeldInput::handOnLater() {
    if (waiting_.empty() || handOnQueued_)
        return;
    handOnQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            handOnQueued_ = false;
            handOnNext();
        },
        Qt::QueuedConnection);
}

void HeldInput::handOnNext() {
    // A drawing that a handed-on click started hands on the rest at its end.
    if (holding_ || waiting_.empty())
        return;
    Input input = std::move(waiting_.front());
    waiting_.pop_front();
    handOnLater();
    ++handingOn_;
    handOn(input);
    --handingOn_;
    drawingEndedAt_ = std::min(drawingEndedAt_, handingOn_);
}

// Keys go where the keyboard is now: to a dialog that input handed on since
// the last drawing opened, else to the window they were made in, like every
// click. Input for a window that a message blocks (the report of a drawing's
// error) is dropped, as the window system drops it.
void HeldInput::handOn(const Input& input) {
    QWidget* modal = QApplication::activeModalWidget();
    QWindow* window = input.window;
    if (modal && handingOn_ > drawingEndedAt_ && std::holds_alternative<Key>(input.what)) {
        // The window manager may not have made it active yet.
        QApplication::setActiveWindow(modal);
        window = modal->windowHandle();
    }
    if (!window || (modal && window != modal->windowHandle()))
        return;
    const auto deliver = [&input, window](QInputEvent&& event) {
        event.setTimestamp(input.timestamp);
        QCoreApplication::sendEvent(window, &event);
    };
    const QPointingDevice* pointer = qobject_cast<const QPointingDevice*>(input.device.data());
    if (!pointer)
        pointer = QPointingDevice::primaryPointingDevice();
    std::visit(Overloaded{
                   [&](const Mouse& mouse) {
                       deliver(QMouseEvent(mouse.type, mouse.position, mouse.position,
                                           mouse.globalPosition, mouse.button, mouse.buttons,
                                           input.modifiers, mouse.source, pointer));
                   },
                   [&](const Wheel& wheel) {
                       deliver(QWheelEvent(wheel.position, wheel.globalPosition, wheel.pixelDelta,
                                           wheel.angleDelta, wheel.buttons, input.modifiers,
                                           wheel.phase, wheel.inverted, wheel.source, pointer));
                   },
                   // Sent as the program's own, a key tries the shortcuts first.
                   [&](const Key& key) {
                       deliver(QKeyEvent(
                           key.type, key.key, input.modifiers, key.scanCode, key.virtualKey,
                           key.nativeModifiers, key.text, key.autoRepeat, key.count,
                           input.device ? input.device.data() : QInputDevice::primaryKeyboard()));
                   },
               },
               input.what);
}

} // namespace vorlane::shell
