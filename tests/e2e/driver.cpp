#include "driver.h"

#include "processes.h"

#include <QRegularExpression>

#include <climits>
#include <utility>

namespace vorlane::e2e {

Driver::Driver(QProcessEnvironment xEnvironment, Accessible application)
    : xEnvironment_(std::move(xEnvironment)), application_(std::move(application)) {}

bool Driver::waitForMainWindow() {
    const std::optional<QString> window = waitForNewWindow(kMainTitle);
    mainWindow_ = window.value_or(QString());
    return window.has_value();
}

bool Driver::xdo(const QStringList& arguments, QString* output) const {
    const RunResult result = run(QStringLiteral("xdotool"), arguments, xEnvironment_);
    if (output)
        *output = result.output;
    if (!result.ok)
        qWarning("xdotool %s: %s", qPrintable(arguments.join(QLatin1Char(' '))),
                 qPrintable(result.error));
    return result.ok;
}

QStringList Driver::visibleWindows(const QString& title) const {
    // No window is no error here; search then exits with 1.
    const RunResult result =
        run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
             QLatin1Char('^') + title + QLatin1Char('$')},
            xEnvironment_);
    return result.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

std::optional<QString> Driver::waitForNewWindow(const QString& title,
                                                const QStringList& known) const {
    std::optional<QString> found;
    poll([&] {
        for (const QString& window : visibleWindows(title))
            if (!known.contains(window))
                found = window;
        return found.has_value();
    });
    return found;
}

bool Driver::waitUntilGone(const QString& title, const QString& window) const {
    return poll([&] { return !visibleWindows(title).contains(window); });
}

bool Driver::waitForFocus(const QString& window) const {
    // Quietly: asking fails while the focus is on no window at all.
    return poll([&] {
        return run(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")}, xEnvironment_)
                   .output.trimmed() == window;
    });
}

// Moves the mouse pointer to the middle of the object.
bool Driver::pointAt(const std::optional<Accessible>& object) const {
    const QRect area = object ? object->extents() : QRect();
    if (area.isEmpty())
        return false;
    const QString x = QString::number(area.center().x()), y = QString::number(area.center().y());
    // A move with --sync waits for the pointer to move, which it does not
    // when it is there already.
    QString location;
    if (xdo({QStringLiteral("getmouselocation"), QStringLiteral("--shell")}, &location) &&
        location.startsWith(QStringLiteral("X=%1\nY=%2\n").arg(x, y)))
        return true;
    return xdo({QStringLiteral("mousemove"), QStringLiteral("--sync"), x, y});
}

bool Driver::click(const std::optional<Accessible>& object) const {
    return pointAt(object) && xdo({QStringLiteral("click"), QStringLiteral("1")});
}

bool Driver::type(const QString& text) const {
    return xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("5"), text});
}

std::optional<Accessible> Driver::mainFrame() const {
    for (const Accessible& window : application_.children())
        if (window.role() == QLatin1String("frame") && window.name() == kMainTitle)
            return window;
    return std::nullopt;
}

std::optional<Accessible> Driver::inMainWindow(const QString& role, const QString& name) const {
    const std::optional<Accessible> main = mainFrame();
    return main ? main->find(role, name) : std::nullopt;
}

std::optional<Accessible> Driver::drawRingsButton() const {
    return inMainWindow(QStringLiteral("push button"), QStringLiteral("draw rings"));
}

std::optional<Accessible> Driver::named(const QString& name, const QString& role) const {
    const std::optional<Accessible> main = mainFrame();
    if (main)
        for (const Accessible& object : main->subtree())
            if (object.name() == name && (role.isEmpty() || object.role() == role))
                return object;
    return std::nullopt;
}

std::optional<Accessible> Driver::dialog(const QString& title) const {
    for (const Accessible& window : application_.children())
        if (window.role() != QLatin1String("frame") && window.name() == title)
            return window;
    return std::nullopt;
}

std::optional<Accessible> Driver::field(const QString& caption) const {
    const std::optional<Accessible> panel =
        inMainWindow(QStringLiteral("frame"), QStringLiteral("Controls"));
    const std::optional<Accessible> label =
        panel ? panel->find(QStringLiteral("label"), caption) : std::nullopt;
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

bool Driver::chooseFileMenuItem(const QString& caption) const {
    const std::optional<Accessible> file =
        inMainWindow(QStringLiteral("menu item"), QStringLiteral("   File"));
    if (!click(file))
        return false;
    const std::optional<Accessible> item = file->find(QStringLiteral("menu item"), caption);
    // The menu takes the item under the pointer as its current one: proof
    // that the menu is on the screen and gets the pointer, before the click.
    return item && poll([&] { return item->is(Accessible::State::Showing); }) && pointAt(item) &&
           poll([&] { return item->is(Accessible::State::Focused); }) &&
           xdo({QStringLiteral("click"), QStringLiteral("1")});
}

bool Driver::pressButton(const QString& window, const QString& caption) const {
    std::optional<Accessible> button;
    return poll([&] {
               const std::optional<Accessible> found = dialog(window);
               return found && (button = found->find(QStringLiteral("push button"), caption));
           }) &&
           click(button);
}

bool Driver::enterText(const QString& fieldCaption, const QString& text) const {
    const std::optional<Accessible> entry = field(fieldCaption);
    // With no window manager, the keyboard focus falls back to the root
    // window when a dialog closes; the test gives it to the main window, as a
    // window manager does on a click.
    return xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), mainWindow_}) &&
           click(entry) && xdo({QStringLiteral("key"), QStringLiteral("ctrl+a")}) && type(text) &&
           poll([&] { return entry->text() == text; });
}

bool Driver::press(const QString& keys) const {
    return xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), mainWindow_}) &&
           xdo({QStringLiteral("key"), keys});
}

bool Driver::answerFileDialog(const QString& title, const QString& typed) const {
    const std::optional<QString> window = waitForNewWindow(title);
    return window && waitForFocus(*window) && type(typed) &&
           xdo({QStringLiteral("key"), QStringLiteral("Return")}) && waitUntilGone(title, *window);
}

QString Driver::messageIn(const QString& title) const {
    const std::optional<Accessible> box = dialog(title);
    QStringList texts;
    if (box)
        for (const Accessible& object : box->subtree())
            if (object.role() == QLatin1String("label"))
                texts << object.name();
    return texts.join(QLatin1Char('\n'));
}

QRect Driver::canvasOnScreen() const {
    // The canvas window keeps its design caption, "rr".
    const std::optional<Accessible> canvas =
        inMainWindow(QStringLiteral("frame"), QStringLiteral("rr"));
    return canvas ? canvas->extents() : QRect();
}

QRect Driver::panelOnScreen() const {
    const std::optional<Accessible> panel =
        inMainWindow(QStringLiteral("frame"), QStringLiteral("Controls"));
    return panel ? panel->extents() : QRect();
}

QString Driver::windowTitle(const QString& window) const {
    QString title;
    xdo({QStringLiteral("getwindowname"), window}, &title);
    return title.trimmed();
}

QSize Driver::windowSize(const QString& window) const {
    QString geometry;
    xdo({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window}, &geometry);
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("WIDTH=(\\d+)\\s+HEIGHT=(\\d+)")).match(geometry);
    return size.hasMatch() ? QSize(size.captured(1).toInt(), size.captured(2).toInt()) : QSize();
}

} // namespace vorlane::e2e
