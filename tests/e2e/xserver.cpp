#include "xserver.h"

#include <QDeadlineTimer>
#include <QTest>

// Xlib last: its macros (None, Bool, Status, ...) would clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <functional>

namespace vorlane::e2e {

namespace {
// A WM_PROTOCOLS message, as a window manager sends it.
void sendProtocol(Display* connection, WindowId window, const char* protocol, long token = 0) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(connection, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(connection, protocol, False));
    event.xclient.data.l[1] = CurrentTime;
    event.xclient.data.l[2] = static_cast<long>(window);
    event.xclient.data.l[3] = token;
    XSendEvent(connection, window, False, NoEventMask, &event);
    XFlush(connection);
}
} // namespace

bool poll(const std::function<bool()>& condition, milliseconds limit) {
    const QDeadlineTimer deadline(limit);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(25);
    }
    return true;
}

XServer::XServer() : connection_(XOpenDisplay(nullptr)) {
    // A window may go between listing and asking: no answer then, instead of
    // Xlib's default of ending the test.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
}

XServer::~XServer() {
    if (connection_)
        XCloseDisplay(connection_);
}

QImage XServer::grab(const QRect& area) const {
    XImage* shot = XGetImage(connection_, DefaultRootWindow(connection_), area.x(), area.y(),
                             static_cast<unsigned>(area.width()),
                             static_cast<unsigned>(area.height()), AllPlanes, ZPixmap);
    // The server runs at depth 24, a pixel in 32 bits as QImage keeps it.
    QImage image;
    if (shot && shot->bits_per_pixel == 32 && shot->byte_order == LSBFirst &&
        shot->red_mask == 0xff0000 && shot->green_mask == 0xff00 && shot->blue_mask == 0xff)
        image = QImage(reinterpret_cast<const uchar*>(shot->data), shot->width, shot->height,
                       shot->bytes_per_line, QImage::Format_RGB32)
                    .copy();
    if (shot)
        XDestroyImage(shot);
    return image;
}

QImage XServer::grabScreen() const {
    const int screen = DefaultScreen(connection_);
    return grab({0, 0, DisplayWidth(connection_, screen), DisplayHeight(connection_, screen)});
}

QList<WindowId> XServer::visibleWindows(const QString& title) const {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    XQueryTree(connection_, DefaultRootWindow(connection_), &root, &parent, &children, &count);
    QList<WindowId> result;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(connection_, children[i], &attributes) &&
            attributes.map_state == IsViewable && this->title(children[i]) == title)
            result.append(children[i]);
    }
    if (children)
        XFree(children);
    return result;
}

std::optional<WindowId> XServer::waitForNewWindow(const QString& title,
                                                  const QList<WindowId>& known) const {
    std::optional<WindowId> found;
    poll([&] {
        for (const WindowId window : visibleWindows(title))
            if (!known.contains(window))
                found = window;
        return found.has_value();
    });
    return found;
}

bool XServer::waitUntilGone(const QString& title, WindowId window) const {
    return poll([&] { return !visibleWindows(title).contains(window); });
}

QString XServer::title(WindowId window) const {
    XTextProperty name{};
    XGetWMName(connection_, window, &name);
    // Qt writes titles in UTF-8.
    const QString result = QString::fromUtf8(reinterpret_cast<const char*>(name.value),
                                             static_cast<qsizetype>(name.nitems));
    if (name.value)
        XFree(name.value);
    return result;
}

QSize XServer::size(WindowId window) const {
    XWindowAttributes attributes{};
    XGetWindowAttributes(connection_, window, &attributes);
    return {attributes.width, attributes.height};
}

WindowId XServer::focus() const {
    Window window = 0;
    int revert = 0;
    XGetInputFocus(connection_, &window, &revert);
    return window;
}

void XServer::setFocus(WindowId window) const {
    XSetInputFocus(connection_, window, RevertToParent, CurrentTime);
    XSync(connection_, False);
}

bool XServer::takesDeleteMessage(WindowId window) const {
    Atom* protocols = nullptr;
    int count = 0;
    XGetWMProtocols(connection_, window, &protocols, &count);
    const bool listed = std::count(protocols, protocols + count,
                                   XInternAtom(connection_, "WM_DELETE_WINDOW", False)) > 0;
    if (protocols)
        XFree(protocols);
    return listed;
}

void XServer::sendDeleteMessage(WindowId window) const {
    sendProtocol(connection_, window, "WM_DELETE_WINDOW");
}

bool XServer::answersPing(WindowId window, milliseconds limit) const {
    // The answer goes to the root window, for whoever watches its structure.
    const Window root = DefaultRootWindow(connection_);
    XSelectInput(connection_, root, StructureNotifyMask);
    static long pings = 0;
    const long token = ++pings;
    sendProtocol(connection_, window, "_NET_WM_PING", token);
    XEvent answer;
    const bool answered = poll(
        [&] {
            while (XCheckTypedWindowEvent(connection_, root, ClientMessage, &answer))
                if (answer.xclient.data.l[3] == token)
                    return true;
            return false;
        },
        limit);
    XSelectInput(connection_, root, NoEventMask);
    return answered;
}

} // namespace vorlane::e2e
