#pragma once

// A private X server (Xvfb) for the end-to-end test, and what the test asks of
// it directly: the pixels on the screen, and the close message that a window
// manager's close button sends.

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>

#include <chrono>

struct _XDisplay;

namespace vorlane::e2e {

class XServer {
public:
    XServer() = default;
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // Starts Xvfb on a display number that no other server uses and
    // connects to it; gives a reason when that fails.
    QString start();
    void stop();

    // ":N", for DISPLAY.
    QString display() const { return display_; }

    // What the screen shows in that rectangle, 24-bit colour.
    QImage grab(const QRect& area) const;
    QImage grabScreen() const { return grab(QRect(QPoint(0, 0), kScreenSize)); }

    // Whether the window takes part in the close protocol at all: a window
    // manager sends WM_DELETE_WINDOW only to windows that list it.
    bool takesDeleteMessage(unsigned long window) const;
    // What a window manager does when its close button is pressed.
    void sendDeleteMessage(unsigned long window) const;
    // Whether the window answers a window manager's _NET_WM_PING in time.
    bool answersPing(unsigned long window, std::chrono::milliseconds limit) const;

private:
    static constexpr QSize kScreenSize{1024, 768};

    QProcess xvfb_;
    QString display_;
    _XDisplay* connection_ = nullptr;
};

} // namespace vorlane::e2e
