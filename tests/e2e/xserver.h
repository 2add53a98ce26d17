#pragma once

// The X server that the test's command started (DISPLAY), as the test asks it
// directly: the screen's pixels, the top-level windows, and what a window
// manager sends them.

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

struct _XDisplay;

namespace vorlane::e2e {

using std::chrono::milliseconds;
using WindowId = unsigned long;

class XServer {
public:
    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    _XDisplay* connection() const { return connection_; }

    QImage grab(const QRect& area) const;
    QImage grabScreen() const;

    // Top-level windows shown on the screen with exactly that title.
    QList<WindowId> visibleWindows(const QString& title) const;
    std::optional<WindowId> waitForNewWindow(const QString& title,
                                             const QList<WindowId>& known = {}) const;
    bool waitUntilGone(const QString& title, WindowId window) const;
    QString title(WindowId window) const;
    QSize size(WindowId window) const;
    WindowId focus() const;
    void setFocus(WindowId window) const;

    // A window manager sends the close message only to windows that list it.
    bool takesDeleteMessage(WindowId window) const;
    // What a window manager does when its close button is pressed.
    void sendDeleteMessage(WindowId window) const;
    bool answersPing(WindowId window, milliseconds limit) const;

private:
    _XDisplay* connection_;
};

// Asks again and again until the answer is yes or the limit has passed.
bool poll(const std::function<bool()>& condition, milliseconds limit = milliseconds(10000));

} // namespace vorlane::e2e
