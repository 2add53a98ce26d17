// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QInputEvent>
#include <QObject>
#include <QPointer>

#include <deque>
#include <variant>

class QWindow;

namespace vorlane::shell {

// While a drawing runs, the user's input waits: every mouse, wheel or key
// event that the window system brings is kept instead of handled. When the
// drawing ends, the kept events are handed on in their order, once the
// running handler has returned, each to the window it was made in, at its
// place, with its buttons and modifiers. Everything else goes on meanwhile:
// painting, the window manager's pings and close requests, a screen
// reader's questions.
class HeldInput final : public QObject {
public:
    // Watches the application's input for as long as it lives.
    HeldInput();
    ~HeldInput() override;
    HeldInput(const HeldInput&) = delete;
    HeldInput& operator=(const HeldInput&) = delete;

    // A drawing starts: input waits from now on.
    void hold();
    // The drawing has ended: what waits is handed on.
    void release();

protected:
    bool eventFilter(QObject* target, QEvent* event) override;

private:
    // An event as values copied when it came. A kept Qt event would share
    // its point with the pointer's live state, and be handed on elsewhere.
    struct Mouse {
        QEvent::Type type;
        QPointF position, globalPosition;
        Qt::MouseButton button;
        Qt::MouseButtons buttons;
        Qt::MouseEventSource source;
    };
    struct Wheel {
        QPointF position, globalPosition;
        QPoint pixelDelta, angleDelta;
        Qt::MouseButtons buttons;
        Qt::ScrollPhase phase;
        bool inverted;
        Qt::MouseEventSource source;
    };
    struct Key {
        QEvent::Type type;
        int key;
        QString text;
        bool autoRepeat;
        quint16 count;
        quint32 scanCode, virtualKey, nativeModifiers;
    };
    struct Input {
        QPointer<QWindow> window;
        QPointer<const QInputDevice> device;
        Qt::KeyboardModifiers modifiers;
        quint64 timestamp;
        std::variant<Mouse, Wheel, Key> what;
    };

    static Input copy(QWindow& window, const QInputEvent& event);
    void handOnLater();
    void handOnNext();
    void handOn(const Input& input);

    std::deque<Input> waiting_;
    bool holding_ = false;
    bool handOnQueued_ = false;
    // How many handed-on events are being handled, one inside the other (a
    // menu item opens a dialog, which runs while the next ones come), and
    // that depth when the last drawing ended.
    int handingOn_ = 0;
    int drawingEndedAt_ = 0;
};

} // namespace vorlane::shell
