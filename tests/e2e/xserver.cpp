#include "xserver.h"

#include "processes.h"

// Xlib last: its macros (None, Bool, Status, ...) would clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>

namespace vorlane::e2e {

XServer::~XServer() {
    stop();
}

QString XServer::start() {
    // -displayfd 1: Xvfb picks a free display number and writes it to its
    // standard output once it accepts clients.
    startChild(xvfb_, QStringLiteral("Xvfb"),
               {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                QStringLiteral("0"),
                QStringLiteral("%1x%2x24").arg(kScreenSize.width()).arg(kScreenSize.height()),
                QStringLiteral("-dpi"), QStringLiteral("96"), QStringLiteral("-nolisten"),
                QStringLiteral("tcp")});
    const QString number = firstLine(xvfb_, milliseconds(15000));
    if (number.isEmpty())
        return QStringLiteral("Xvfb did not start: %1")
            .arg(QString::fromLocal8Bit(xvfb_.readAllStandardError()));
    display_ = QLatin1Char(':') + number;
    connection_ = XOpenDisplay(display_.toLatin1().constData());
    if (!connection_)
        return QStringLiteral("cannot connect to Xvfb on %1").arg(display_);
    return {};
}

void XServer::stop() {
    // Close first: Xlib ends the whole process when its server goes away.
    if (connection_)
        XCloseDisplay(connection_);
    connection_ = nullptr;
    e2e::stop(xvfb_);
}

QImage XServer::grab(const QRect& area) const {
    // XDestroyImage is a macro.
    const auto destroy = [](XImage* image) { XDestroyImage(image); };
    const std::unique_ptr<XImage, decltype(destroy)> shot(
        XGetImage(connection_, DefaultRootWindow(connection_), area.x(), area.y(),
                  static_cast<unsigned>(area.width()), static_cast<unsigned>(area.height()),
                  AllPlanes, ZPixmap),
        destroy);
    // The server runs at depth 24 with 8 bits a channel, in this order.
    if (!shot || shot->red_mask != 0xff0000 || shot->green_mask != 0xff00 ||
        shot->blue_mask != 0xff)
        return {};
    QImage image(area.size(), QImage::Format_RGB32);
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x)
            image.setPixel(x, y, 0xff000000u | static_cast<unsigned>(XGetPixel(shot.get(), x, y)));
    return image;
}

bool XServer::takesDeleteMessage(unsigned long window) const {
    const Atom deleteWindow = XInternAtom(connection_, "WM_DELETE_WINDOW", False);
    Atom* protocols = nullptr;
    int count = 0;
    bool listed = false;
    if (XGetWMProtocols(connection_, window, &protocols, &count)) {
        for (int i = 0; i < count; ++i)
            listed = listed || protocols[i] == deleteWindow;
        XFree(protocols);
    }
    return listed;
}

namespace {
// A WM_PROTOCOLS message, as a window manager sends it.
void sendProtocol(_XDisplay* connection, unsigned long window, const char* protocol,
                  long token = 0) {
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

void XServer::sendDeleteMessage(unsigned long window) const {
    sendProtocol(connection_, window, "WM_DELETE_WINDOW");
}

bool XServer::answersPing(unsigned long window, std::chrono::milliseconds limit) const {
    // The answer goes to the root window, for whoever watches its structure.
    const Window root = DefaultRootWindow(connection_);
    XSelectInput(connection_, root, StructureNotifyMask);
    static long pings = 0;
    const long token = ++pings;
    sendProtocol(connection_, window, "_NET_WM_PING", token);
    const bool answered = poll(
        [&] {
            while (XPending(connection_) > 0) {
                XEvent event;
                XNextEvent(connection_, &event);
                if (event.type == ClientMessage && event.xclient.window == root &&
                    event.xclient.data.l[3] == token)
                    return true;
            }
            return false;
        },
        limit);
    XSelectInput(connection_, root, NoEventMask);
    return answered;
}

} // namespace vorlane::e2e
