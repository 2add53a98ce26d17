// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Uses the running program as a person does, with real mouse clicks and key
// presses (XTest), and finds its windows and widgets and reads their texts as a
// screen reader does (libatspi); Xlib for the screen's pixels, the keyboard
// focus and what a window manager sends. Every wait polls with a bound.

#include <QImage>
#include <QTest>

#include <memory>
#include <optional>

struct _AtspiAccessible;
struct _XDisplay;

namespace vorlane::e2e {

inline const QString kMainTitle = QStringLiteral("Vorlane");

// Asks until the answer is yes or the time is up, handling events in between.
template <typename Condition> bool poll(Condition condition, int milliseconds = 10000) {
    return QTest::qWaitFor(condition, milliseconds);
}

// One object of the program's accessibility tree. A call that fails (the object has gone, or
// lacks that interface) gives nothing, as a screen reader takes it.
class Accessible {
public:
    explicit Accessible(_AtspiAccessible* object); // takes over libatspi's reference
    // libatspi keeps one object for each object of the program.
    bool operator==(const Accessible&) const = default;

    QString name() const;
    QString role() const;  // "frame", "push button", "label", "text", "menu item", ...
    QRect extents() const; // on the screen
    // Qt's bridge gives extents in device-independent pixels: at a scale
    // factor they are that many of the screen's pixels.
    inline static double scaleFactor = 1.0;
    QString text() const;  // of an editable field
    // Showing: on the screen (a closed menu's items are not); Focused: the
    // keyboard's target, or a menu's item under the pointer.
    enum class State { Focused, Showing };
    bool is(State state) const;
    QList<Accessible> children() const;
    // This object and everything below it, depth first.
    QList<Accessible> subtree() const {
        QList<Accessible> result{*this};
        for (const Accessible& child : children())
            result.append(child.subtree());
        return result;
    }
    // The first of them with exactly that name, and that role if one is given.
    std::optional<Accessible> find(const QString& name, const QString& role = {}) const {
        for (const Accessible& object : subtree())
            if (object.name() == name && (role.isEmpty() || object.role() == role))
                return object;
        return std::nullopt;
    }

private:
    std::shared_ptr<_AtspiAccessible> object_;
};

class Driver {
public:
    Driver(); // on the X server of DISPLAY
    bool connected() const { return x_ != nullptr; }
    // Waits for the program of that name on the accessibility bus, its main window shown.
    bool findProgram(const QString& name);
    const Accessible& mainWindow() const { return *main_; }
    // The program's top-level windows on the screen with exactly that title; waitForWindow
    // takes one that is not yet known, once the X server shows it above the main window.
    QList<Accessible> windows(const QString& title) const {
        QList<Accessible> result;
        for (const Accessible& window : application_->children())
            if (window.name() == title && window.is(Accessible::State::Showing))
                result.append(window);
        return result;
    }
    std::optional<Accessible> waitForWindow(const QString& title,
                                            const QList<Accessible>& known = {}) const {
        std::optional<Accessible> found;
        poll([&] {
            for (const Accessible& window : windows(title))
                if (!known.contains(window) && windowAt(window.extents()) != mainId_)
                    found = window;
            return found.has_value();
        });
        return found;
    }
    static bool waitUntilGone(const Accessible& window) {
        return poll([&] { return !window.is(Accessible::State::Showing); });
    }
    std::optional<Accessible> drawRingsButton() const {
        return main_->find(QStringLiteral("draw rings"), QStringLiteral("push button"));
    }
    // The panel's entry field on the row of the label with that caption.
    std::optional<Accessible> field(const QString& caption) const {
        const std::optional<Accessible> panel = main_->find(QStringLiteral("Controls"), kFrame);
        const QRect label =
            panel ? extents(panel->find(caption, QStringLiteral("label"))) : QRect();
        std::optional<Accessible> nearest;
        for (const Accessible& object : label.isEmpty() ? QList<Accessible>() : panel->subtree()) {
            const QRect area = object.role() == QLatin1String("text") ? object.extents() : QRect();
            if (!area.isEmpty() && area.top() <= label.bottom() && area.bottom() >= label.top() &&
                area.left() > label.left() && (!nearest || area.left() < nearest->extents().left()))
                nearest = object;
        }
        return nearest;
    }
    // The canvas window keeps its design caption, "rr".
    QRect canvasOnScreen() const { return extents(main_->find(QStringLiteral("rr"), kFrame)); }
    QRect panelOnScreen() const { return extents(main_->find(QStringLiteral("Controls"), kFrame)); }
    // The texts of a message box, one a line.
    static QString messageIn(const Accessible& box) {
        QStringList texts;
        for (const Accessible& object : box.subtree())
            if (object.role() == QLatin1String("label"))
                texts << object.name();
        return texts.join(QLatin1Char('\n'));
    }
    bool click(const std::optional<Accessible>& object) const;
    // A click at a point of the screen, without asking the program anything.
    void clickAt(QPoint point) const;
    bool chooseFileMenuItem(const QString& caption) const {
        const QString role = QStringLiteral("menu item");
        const std::optional<Accessible> file = main_->find(QStringLiteral("   File"), role);
        const std::optional<Accessible> item =
            click(file) ? file->find(caption, role) : std::nullopt;
        if (!item || !poll([&] { return item->is(Accessible::State::Showing); }))
            return false;
        // The menu takes the item under the pointer as its current one: proof
        // that the menu is on the screen and gets the pointer, before the click.
        moveTo(item->extents().center());
        return poll([&] { return item->is(Accessible::State::Focused); }) && click(item);
    }
    bool pressButton(const Accessible& window, const QString& caption) const {
        const auto button = [&] { return window.find(caption, QStringLiteral("push button")); };
        return poll([&] { return button().has_value(); }) && click(button());
    }
    // Keys held together in the main window, by their X names: "Alt_L+f", "Return".
    bool press(const QString& keys) const;
    // Keys held together, or typed, wherever the keyboard is.
    bool hold(const QString& keys) const;
    bool type(const QString& text) const;
    // Replaces the whole text of a panel field by typing.
    bool enterText(const QString& fieldCaption, const QString& text) const {
        const std::optional<Accessible> entry = field(fieldCaption);
        return click(entry) && press(QStringLiteral("Control_L+a")) && type(text) &&
               poll([&] { return entry->text() == text; });
    }
    // Types into the file dialog that has just opened, once it has the keyboard; Enter confirms.
    bool answerFileDialog(const QString& title, const QString& typed) const {
        const std::optional<Accessible> dialog = waitForWindow(title);
        return dialog && poll([&] { return focus() == windowAt(dialog->extents()); }) &&
               type(typed) && hold(QStringLiteral("Return")) && waitUntilGone(*dialog);
    }
    // The screen's pixels in that area, or all of them.
    QImage grab(QRect area = {}) const;
    // What a window manager does; it sends the close message only to a window that lists it.
    bool takesDeleteMessage() const;
    void sendDeleteMessage() const { sendProtocol("WM_DELETE_WINDOW"); }
    bool answersPing(int milliseconds) const;

private:
    inline static const QString kFrame = QStringLiteral("frame");
    static QRect extents(const std::optional<Accessible>& object) {
        return object ? object->extents() : QRect();
    }
    // The X window on top at the middle of that area: with no window manager
    // the program's windows are the root window's children, a new one on top.
    unsigned long windowAt(const QRect& area) const;
    unsigned long focus() const;
    void moveTo(QPoint point) const;
    // A WM_PROTOCOLS message, as a window manager sends it.
    void sendProtocol(const char* protocol) const;

    std::unique_ptr<_XDisplay, int (*)(_XDisplay*)> connection_;
    _XDisplay* x_ = connection_.get();
    std::optional<Accessible> application_, main_;
    unsigned long mainId_ = 0;
};

} // namespace vorlane::e2e
