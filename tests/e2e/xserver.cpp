#include "xserver.h"

#include <algorithm>

// Xlib last: its macros (None, Bool, Status, ...) would clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace vorlane::e2e {

XServer::XServer() : connection_(XOpenDisplay(nullptr)) {
    // A window may go between listing and asking: then no answer, rather
    // than Xlib's default of ending the test.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
}

XServer::~XServer() {
    if (connection_)
        XCloseDisplay(connection_);
}

QImage XServer::grab(const QRect& area) const {
    XImage* shot = XGetImage(connection_, DefaultRootWindow(connection_), area.x(), area.y(),
                             unsigned(area.width()), unsigned(area.height()), AllPlanes, ZPixmap);
    // The server runs at depth 24, a pixel in 32 bits as QImage keeps it.
    QImage image;
    if (shot && shot->bits_per_pixel == 32 && shot->byte_order == LSBFirst &&
        shot->red_mask == 0xff0000 && shot->green_mask == 0xff00 && shot->blue_mask == 0xff)
        image = QImage(reinterpret_cast<uchar*>(shot->data), shot->width, shot->height,
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
        XWindowAttributes state;
        if (XGetWindowAttributes(connection_, children[i], &state) &&
            state.map_state == IsViewable && this->title(children[i]) == title)
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
    const QString result =
        QString::fromUtf8(reinterpret_cast<char*>(name.value), qsizetype(name.nitems));
    if (name.value)
        XFree(name.value);
    return result;
}

QSize XServer::size(WindowId window) const {
    XWindowAttributes state{};
    XGetWindowAttributes(connection_, window, &state);
    return {state.width, state.height};
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
    const Atom deleteWindow = XInternAtom(connection_, "WM_DELETE_WINDOW", False);
    const bool listed = std::count(protocols, protocols + count, deleteWindow) > 0;
    if (protocols)
        XFree(protocols);
    return listed;
}

void XServer::sendProtocol(WindowId window, const char* protocol, long token) const {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(connection_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(connection_, protocol, False));
    event.xclient.data.l[1] = CurrentTime;
    event.xclient.data.l[2] = long(window);
    event.xclient.data.l[3] = token;
    XSendEvent(connection_, window, False, NoEventMask, &event);
    XFlush(connection_);
}

bool XServer::answersPing(WindowId window, milliseconds limit) const {
    // The answer goes to the root window, for whoever watches its structure.
    const Window root = DefaultRootWindow(connection_);
    XSelectInput(connection_, root, StructureNotifyMask);
    static long pings = 0;
    const long token = ++pings;
    sendProtocol(window, "_NET_WM_PING", token);
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
