#include "driver.h"

#include <QDeadlineTimer>
#include <QTest>

#include <climits>

namespace vorlane::e2e {

bool poll(const std::function<bool()>& condition, milliseconds limit) {
    const QDeadlineTimer deadline(limit);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(25);
    }
    return true;
}

bool Driver::waitForMainWindow() {
    const std::optional<WindowId> window = waitForNewWindow(kMainTitle);
    mainWindow_ = window.value_or(0);
    return window.has_value();
}

std::optional<WindowId> Driver::waitForNewWindow(const QString& title,
                                                 const QList<WindowId>& known) const {
    std::optional<WindowId> found;
    poll([&] {
        for (const WindowId window : x_.visibleWindows(title))
            if (!known.contains(window))
                found = window;
        return found.has_value();
    });
    return found;
}

bool Driver::waitUntilGone(const QString& title, WindowId window) const {
    return poll([&] { return !x_.visibleWindows(title).contains(window); });
}

bool Driver::focusMainWindow() const {
    if (x_.focus() != mainWindow_)
        x_.setFocus(mainWindow_);
    return poll([&] { return x_.focus() == mainWindow_; });
}

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
    const std::optional<Accessible> label =
        panel ? panel->find(caption, QStringLiteral("label")) : std::nullopt;
    if (!label)
        return std::nullopt;
    const QRect labelArea = label->extents();
    std::optional<Accessible> nearest;
    int nearestDistance = INT_MAX;
    for (const Accessible& object : panel->subtree()) {
        if (object.role() != QLatin1String("text"))
            continue;
        const QRect area = object.extents();
        const bool sameRow = area.top() <= labelArea.bottom() && area.bottom() >= labelArea.top();
        const int distance = area.left() - labelArea.left();
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
    if (box)
        for (const Accessible& object : box->subtree())
            if (object.role() == QLatin1String("label"))
                texts << object.name();
    return texts.join(QLatin1Char('\n'));
}

bool Driver::click(const std::optional<Accessible>& object) const {
    const QRect area = extents(object);
    if (area.isEmpty())
        return false;
    input_.moveTo(area.center());
    input_.click();
    return true;
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
    input_.moveTo(item->extents().center());
    if (!poll([&] { return item->is(Accessible::State::Focused); }))
        return false;
    input_.click();
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
    return focusMainWindow() && input_.press(keys);
}

bool Driver::enterText(const QString& fieldCaption, const QString& text) const {
    const std::optional<Accessible> entry = field(fieldCaption);
    return focusMainWindow() && click(entry) && input_.press(QStringLiteral("ctrl+a")) &&
           input_.type(text) && poll([&] { return entry->text() == text; });
}

bool Driver::answerFileDialog(const QString& title, const QString& typed) const {
    const std::optional<WindowId> window = waitForNewWindow(title);
    return window && poll([&] { return x_.focus() == *window; }) && input_.type(typed) &&
           input_.press(QStringLiteral("Return")) && waitUntilGone(title, *window);
}

} // namespace vorlane::e2e
