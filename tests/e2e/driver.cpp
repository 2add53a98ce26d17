#include "driver.h"

#include <algorithm>
#include <climits>

// Xlib last: its macros (None, Bool, Status, ...) would clash with Qt's names.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace vorlane::e2e {

std::optional<Accessible> Driver::window(const QString& title, bool frame) const {
    for (const Accessible& window : application_.children())
        if ((window.role() == kFrame) == frame && window.name() == title)
            return window;
    return std::nullopt;
}

std::optional<Accessible> Driver::named(const QString& name, const QString& role) const {
    const std::optional<Accessible> main = window(kMainTitle, true);
    return main ? main->find(name, role) : std::nullopt;
}

std::optional<Accessible> Driver::field(const QString& caption) const {
    const std::optional<Accessible> panel = named(QStringLiteral("Controls"), kFrame);
    const QRect label = panel ? extents(panel->find(caption, QStringLiteral("label"))) : QRect();
    std::optional<Accessible> nearest;
    int nearestDistance = INT_MAX;
    for (const Accessible& object : label.isEmpty() ? QList<Accessible>() : panel->subtree()) {
        if (object.role() != QLatin1String("text"))
            continue;
        const QRect area = object.extents();
        const bool sameRow = area.top() <= label.bottom() && area.bottom() >= label.top();
        const int distance = area.left() - label.left();
        if (sameRow && distance > 0 && distance < nearestDistance) {
            nearest = object;
            nearestDistance = distance;
        }
    }
    return nearest;
}

QString Driver::messageIn(const QString& title) const {
    const std::optional<Accessible> box = window(title, false);
    QStringList texts;
    for (const Accessible& object : box ? box->subtree() : QList<Accessible>())
        if (object.role() == QLatin1String("label"))
            texts << object.name();
    return texts.join(QLatin1Char('\n'));
}

bool Driver::click(const std::optional<Accessible>& object) const {
    const QRect area = extents(object);
    if (!area.isEmpty()) {
        moveTo(area.center());
        clickHere();
    }
    return !area.isEmpty();
}

bool Driver::chooseFileMenuItem(const QString& caption) const {
    const std::optional<Accessible> file =
        named(QStringLiteral("   File"), QStringLiteral("menu item"));
    const std::optional<Accessible> item =
        click(file) ? file->find(caption, QStringLiteral("menu item")) : std::nullopt;
    if (!item || !poll([&] { return item->is(Accessible::State::Showing); }))
        return false;
    // The menu takes the item under the pointer as its current one: proof
    // that the menu is on the screen and gets the pointer, before the click.
    moveTo(item->extents().center());
    if (!poll([&] { return item->is(Accessible::State::Focused); }))
        return false;
    clickHere();
    return true;
}

bool Driver::pressButton(const QString& title, const QString& caption) const {
    std::optional<Accessible> button;
    return poll([&] {
               const std::optional<Accessible> found = window(title, false);
               return found && (button = found->find(caption, QStringLiteral("push button")));
           }) &&
           click(button);
}

bool Driver::press(const QString& keys) const {
    QList<unsigned long> symbols;
    for (const QString& key : keys.split(QLatin1Char('+')))
        symbols << XStringToKeysym(qPrintable(key));
    return focusMainWindow() && hold(symbols);
}

bool Driver::enterText(const QString& fieldCaption, const QString& text) const {
    const std::optional<Accessible> entry = field(fieldCaption);
    return focusMainWindow() && click(entry) && hold({XK_Control_L, XK_a}) && type(text) &&
           poll([&] { return entry->text() == text; });
}

bool Driver::answerFileDialog(const QString& title, const QString& typed) const {
    const std::optional<WindowId> window = x_.waitForNewWindow(title);
    return window && poll([&] { return x_.focus() == *window; }) && type(typed) &&
           hold({XK_Return}) && x_.waitUntilGone(title, *window);
}

bool Driver::focusMainWindow() const {
    if (x_.focus() != mainWindow_)
        x_.setFocus(mainWindow_);
    return poll([&] { return x_.focus() == mainWindow_; });
}

void Driver::moveTo(QPoint point) const {
    XTestFakeMotionEvent(x_.connection(), -1, point.x(), point.y(), CurrentTime);
    // Once the server has moved the pointer, the program hears of it first.
    XSync(x_.connection(), False);
}

void Driver::clickHere() const {
    XTestFakeButtonEvent(x_.connection(), 1, True, CurrentTime);
    XTestFakeButtonEvent(x_.connection(), 1, False, CurrentTime);
    XSync(x_.connection(), False);
}

// Presses the keys in order and lets them go in reverse; none if one is
// not on the keyboard.
bool Driver::hold(const QList<unsigned long>& symbols) const {
    QList<KeyCode> keys;
    for (const KeySym symbol : symbols)
        keys << XKeysymToKeycode(x_.connection(), symbol);
    if (keys.contains(KeyCode{0}))
        return false;
    for (const KeyCode key : keys)
        XTestFakeKeyEvent(x_.connection(), key, True, CurrentTime);
    for (auto key = keys.crbegin(); key != keys.crend(); ++key)
        XTestFakeKeyEvent(x_.connection(), *key, False, CurrentTime);
    XSync(x_.connection(), False);
    return true;
}

bool Driver::type(const QString& text) const {
    // Latin-1 characters are their own key symbols; one on its key's second
    // level, such as an upper-case letter, needs Shift.
    return std::all_of(text.cbegin(), text.cend(), [this](QChar character) {
        const KeySym symbol = character.unicode();
        const KeyCode key = XKeysymToKeycode(x_.connection(), symbol);
        const bool shifted = XkbKeycodeToKeysym(x_.connection(), key, 0, 0) != symbol;
        return symbol <= 0xff && key != 0 &&
               hold(shifted ? QList<unsigned long>{XK_Shift_L, symbol}
                            : QList<unsigned long>{symbol});
    });
}

} // namespace vorlane::e2e
