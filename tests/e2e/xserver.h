#pragma once

// The X server that the test's command started (DISPLAY), as the test asks it
// directly: the pixels on the screen, the top-level windows, and the messages
// that a window manager sends.

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

#include <chrono>

struct _XDisplay;

namespace vorlane::e2e {

// An X window id.
using WindowId = unsigned long;

class XServer {
public:
    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    _XDisplay* connection() const { return connection_; }

    // What the screen shows in that rectangle, 24-bit colour.
    QImage grab(const QRect& area) const;
    QImage grabScreen() const;

    // The top-level windows on the screen with exactly that title.
    QList<WindowId> visibleWindows(const QString& title) const;
    QString title(WindowId window) const;
    QSize size(WindowId window) const;
    WindowId focus() const;
    // What a window manager does on a click into a window.
    void setFocus(WindowId window) const;

    // Whether the window takes part in the close protocol at all: a window
    // manager sends WM_DELETE_WINDOW only to windows that list it.
    bool takesDeleteMessage(WindowId window) const;
    // What a window manager does when its close button is pressed.
    void sendDeleteMessage(WindowId window) const;
    // Whether the window answers a window manager's _NET_WM_PING in time.
    bool answersPing(WindowId window, std::chrono::milliseconds limit) const;

private:
    _XDisplay* connection_;
};

} // namespace vorlane::e2e
