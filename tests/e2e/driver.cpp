// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// libatspi first: GLib's headers use names that Qt defines as macros.
#include <atspi/atspi.h>

#include "driver.h"

#include <algorithm>

// Xlib last: its macros (None, Bool, Status, ...) would clash with Qt's names.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace vorlane::e2e {

static QString taken(gchar* text) {
    const QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

Accessible::Accessible(AtspiAccessible* object) : object_(object, g_object_unref) {}

QString Accessible::name() const {
    return taken(atspi_accessible_get_name(object_.get(), nullptr));
}

QString Accessible::role() const {
    return taken(atspi_accessible_get_role_name(object_.get(), nullptr));
}

QString Accessible::text() const {
    return taken(atspi_text_get_text(ATSPI_TEXT(object_.get()), 0, -1, nullptr));
}

QRect Accessible::extents() const {
    AtspiRect* area = atspi_component_get_extents(ATSPI_COMPONENT(object_.get()),
                                                  ATSPI_COORD_TYPE_SCREEN, nullptr);
    // The edges rounded, as Qt's backing store places a window at a scale factor.
    const QRect result =
        area ? QRectF(area->x * scaleFactor, area->y * scaleFactor, area->width * scaleFactor,
                      area->height * scaleFactor)
                   .toRect()
             : QRect();
    g_free(area);
    return result;
}

bool Accessible::is(State state) const {
    AtspiStateSet* states = atspi_accessible_get_state_set(object_.get());
    const AtspiStateType wanted[] = {ATSPI_STATE_FOCUSED, ATSPI_STATE_SHOWING}; // State's order
    const bool result = states && atspi_state_set_contains(states, wanted[int(state)]);
    g_clear_object(&states);
    return result;
}

QList<Accessible> Accessible::children() const {
    QList<Accessible> result;
    for (int i = 0, count = atspi_accessible_get_child_count(object_.get(), nullptr); i < count;
         ++i)
        if (AtspiAccessible* child = atspi_accessible_get_child_at_index(object_.get(), i, nullptr))
            result.append(Accessible(child));
    return result;
}

Driver::Driver() : connection_(XOpenDisplay(nullptr), XCloseDisplay) {
    // A failed request gives no answer, rather than Xlib's default of ending the test.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    atspi_init();
    atspi_set_timeout(5000, 15000); // the program answers slowly while it draws
}

bool Driver::findProgram(const QString& name) {
    AtspiAccessible* root = atspi_get_desktop(0);
    // Every answer fresh from the program, which changes as the test reads.
    atspi_accessible_set_cache_mask(root, ATSPI_CACHE_NONE);
    const Accessible desktop(root);
    main_.reset();
    // One that has ended may still be listed for a moment, without windows.
    return poll([&] {
        for (const Accessible& application : desktop.children())
            if (application.name() == name && !application.children().isEmpty())
                application_ = application;
        for (const Accessible& window : application_ ? windows(kMainTitle) : QList<Accessible>())
            if (window.role() == kFrame && (mainId_ = windowAt(window.extents())) != 0)
                main_ = window;
        return main_.has_value();
    });
}

bool Driver::click(const std::optional<Accessible>& object) const {
    const QRect area = extents(object);
    if (area.isEmpty())
        return false;
    clickAt(area.center());
    return true;
}

void Driver::clickAt(QPoint point) const {
    moveTo(point);
    XTestFakeButtonEvent(x_, 1, True, CurrentTime);
    XTestFakeButtonEvent(x_, 1, False, CurrentTime);
    XSync(x_, False);
}

unsigned long Driver::windowAt(const QRect& area) const {
    const Window root = DefaultRootWindow(x_);
    Window window = 0;
    int x = area.center().x(), y = area.center().y();
    if (!area.isEmpty())
        XTranslateCoordinates(x_, root, root, x, y, &x, &y, &window);
    return window;
}

unsigned long Driver::focus() const {
    Window window = 0;
    int revert = 0;
    XGetInputFocus(x_, &window, &revert);
    return window;
}

// With no window manager, the keyboard focus falls back to the root window
// when a dialog closes; the test gives it back, as a window manager does on a
// click. The server sends no focus events when the focus stays where it was.
bool Driver::press(const QString& keys) const {
    XSetInputFocus(x_, mainId_, RevertToParent, CurrentTime);
    return poll([&] { return focus() == mainId_; }) && hold(keys);
}

void Driver::moveTo(QPoint point) const {
    XTestFakeMotionEvent(x_, -1, point.x(), point.y(), CurrentTime);
    // Once the server has moved the pointer, the program hears of it first.
    XSync(x_, False);
}

// Presses the keys in order and lets them go in reverse; none if one is not on the keyboard.
bool Driver::hold(const QString& keys) const {
    QList<KeyCode> codes;
    for (const QString& key : keys.split(QLatin1Char('+')))
        codes << XKeysymToKeycode(x_, XStringToKeysym(qPrintable(key)));
    if (codes.contains(KeyCode{0}))
        return false;
    for (const KeyCode code : codes)
        XTestFakeKeyEvent(x_, code, True, CurrentTime);
    for (auto code = codes.crbegin(); code != codes.crend(); ++code)
        XTestFakeKeyEvent(x_, *code, False, CurrentTime);
    XSync(x_, False);
    return true;
}

bool Driver::type(const QString& text) const {
    // Latin-1 characters are their own key symbols; one on its key's second
    // level, such as an upper-case letter, needs Shift.
    return std::all_of(text.cbegin(), text.cend(), [this](QChar character) {
        const KeySym symbol = character.unicode();
        const char* name = symbol <= 0xff ? XKeysymToString(symbol) : nullptr;
        const bool shifted = XkbKeycodeToKeysym(x_, XKeysymToKeycode(x_, symbol), 0, 0) != symbol;
        return name && hold(QLatin1String(shifted ? "Shift_L+" : "") + QLatin1String(name));
    });
}

QImage Driver::grab(QRect area) const {
    if (area.isEmpty())
        area = {0, 0, DisplayWidth(x_, DefaultScreen(x_)), DisplayHeight(x_, DefaultScreen(x_))};
    XImage* shot = XGetImage(x_, DefaultRootWindow(x_), area.x(), area.y(), unsigned(area.width()),
                             unsigned(area.height()), AllPlanes, ZPixmap);
    // The server runs at depth 24, a pixel in 32 bits as QImage keeps it.
    const QImage image = shot && shot->bits_per_pixel == 32
                             ? QImage(reinterpret_cast<uchar*>(shot->data), shot->width,
                                      shot->height, shot->bytes_per_line, QImage::Format_RGB32)
                                   .copy()
                             : QImage();
    if (shot)
        XDestroyImage(shot);
    return image;
}

bool Driver::takesDeleteMessage() const {
    Atom* protocols = nullptr;
    int count = 0;
    XGetWMProtocols(x_, mainId_, &protocols, &count);
    const Atom deleteWindow = XInternAtom(x_, "WM_DELETE_WINDOW", False);
    const bool listed = std::count(protocols, protocols + count, deleteWindow) > 0;
    XFree(protocols);
    return listed;
}

void Driver::sendProtocol(const char* protocol) const {
    XEvent event{};
    event.xclient = {
        ClientMessage, 0, False, x_, mainId_, XInternAtom(x_, "WM_PROTOCOLS", False), 32, {}};
    event.xclient.data.l[0] = long(XInternAtom(x_, protocol, False));
    event.xclient.data.l[2] = long(mainId_);
    XSendEvent(x_, mainId_, False, NoEventMask, &event);
    XFlush(x_);
}

bool Driver::answersPing(int milliseconds) const {
    // The answer goes to the root window, for whoever watches its structure.
    const Window root = DefaultRootWindow(x_);
    XSelectInput(x_, root, StructureNotifyMask);
    sendProtocol("_NET_WM_PING");
    XEvent answer;
    const auto answered = [&] {
        while (XCheckTypedWindowEvent(x_, root, ClientMessage, &answer))
            if (answer.xclient.data.l[2] == long(mainId_)) // the main window's ping, sent back
                return true;
        return false;
    };
    const bool result = poll(answered, milliseconds);
    XSelectInput(x_, root, NoEventMask);
    return result;
}

} // namespace vorlane::e2e
