#include "input.h"

#include <QHash>
#include <QList>

// Xlib last: its macros (None, Bool, Status, ...) would clash with Qt's names.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace vorlane::e2e {

void Input::moveTo(QPoint point) const {
    XTestFakeMotionEvent(x_.connection(), -1, point.x(), point.y(), CurrentTime);
    // Once the server has moved the pointer, it tells the program first.
    XSync(x_.connection(), False);
}

void Input::click() const {
    XTestFakeButtonEvent(x_.connection(), 1, True, CurrentTime);
    XTestFakeButtonEvent(x_.connection(), 1, False, CurrentTime);
    XSync(x_.connection(), False);
}

bool Input::hold(const QList<unsigned long>& symbols) const {
    QList<KeyCode> held;
    for (const KeySym symbol : symbols) {
        held.append(XKeysymToKeycode(x_.connection(), symbol));
        if (held.last() == 0)
            return false;
    }
    for (const KeyCode code : held)
        XTestFakeKeyEvent(x_.connection(), code, True, CurrentTime);
    for (auto code = held.crbegin(); code != held.crend(); ++code)
        XTestFakeKeyEvent(x_.connection(), *code, False, CurrentTime);
    XSync(x_.connection(), False);
    return true;
}

bool Input::press(const QString& keys) const {
    static const QHash<QString, QString> modifiers{
        {QStringLiteral("alt"), QStringLiteral("Alt_L")},
        {QStringLiteral("ctrl"), QStringLiteral("Control_L")}};
    QList<unsigned long> symbols;
    for (const QString& key : keys.split(QLatin1Char('+')))
        symbols.append(XStringToKeysym(qPrintable(modifiers.value(key, key))));
    return hold(symbols);
}

bool Input::type(const QString& text) const {
    for (const QChar character : text) {
        // Latin-1 characters are their own key symbols.
        const KeySym symbol = character.unicode();
        const KeyCode code = XKeysymToKeycode(x_.connection(), symbol);
        if (code == 0 || symbol > 0xff)
            return false;
        // A symbol on the key's second level, such as an upper-case letter.
        if (XkbKeycodeToKeysym(x_.connection(), code, 0, 0) == symbol ? !hold({symbol})
                                                                      : !hold({XK_Shift_L, symbol}))
            return false;
    }
    return true;
}

} // namespace vorlane::e2e
