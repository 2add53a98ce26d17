#pragma once

// The X server that the test's command started (DISPLAY), as the test asks it
// directly: the screen's pixels, the top-level windows, and what a window
// manager sends them.

#include <QImage>
#include <QList>
#include <QTest>

#include <chrono>
#include <optional>

struct _XDisplay;

namespace vorlane::e2e {

using std::chrono::milliseconds;
using WindowId = unsigned long;

// Asks again and again, handling events in between, until the answer is yes
// or the limit has passed.
template <typename Condition>
bool poll(Condition condition, milliseconds limit = milliseconds(10000)) {
    return QTest::qWaitFor(condition, static_cast<int>(limit.count()));
}

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
    void sendDeleteMessage(WindowId window) const { sendProtocol(window, "WM_DELETE_WINDOW"); }
    bool answersPing(WindowId window, milliseconds limit) const;

private:
    // A WM_PROTOCOLS message, as a window manager sends it.
    void sendProtocol(WindowId window, const char* protocol, long token = 0) const;

    _XDisplay* connection_;
};

} // namespace vorlane::e2e
