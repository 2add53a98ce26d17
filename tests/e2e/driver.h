#pragma once

// Uses the running program as a person does, with real mouse clicks and key
// presses, and finds its widgets and reads their texts as a screen reader
// does. Every wait polls with a bound.

#include "accessible.h"
#include "input.h"
#include "xserver.h"

#include <chrono>
#include <functional>
#include <optional>

namespace vorlane::e2e {

using std::chrono::milliseconds;

inline const QString kMainTitle = QStringLiteral("Vorlane");

// Asks again and again until the answer is yes or the limit has passed.
bool poll(const std::function<bool()>& condition, milliseconds limit = milliseconds(10000));

class Driver {
public:
    Driver(const XServer& x, Accessible application) : x_(x), input_(x), application_(application) {}

    // Top-level windows, by their X ids.
    bool waitForMainWindow();
    WindowId mainWindow() const { return mainWindow_; }
    std::optional<WindowId> waitForNewWindow(const QString& title,
                                             const QList<WindowId>& known = {}) const;
    bool waitUntilGone(const QString& title, WindowId window) const;

    // Widgets: the first in the main window with that name, and that role if one is given.
    std::optional<Accessible> named(const QString& name, const QString& role = {}) const;
    std::optional<Accessible> drawRingsButton() const {
        return named(QStringLiteral("draw rings"), QStringLiteral("push button"));
    }
    // The panel's entry field on the row of the label with that caption.
    std::optional<Accessible> field(const QString& caption) const;
    // The canvas window keeps its design caption, "rr".
    QRect canvasOnScreen() const { return extents(named(QStringLiteral("rr"), kFrame)); }
    QRect panelOnScreen() const { return extents(named(QStringLiteral("Controls"), kFrame)); }
    // The texts of the message box with that title, one a line.
    QString messageIn(const QString& title) const;

    // Actions.
    bool click(const std::optional<Accessible>& object) const;
    bool chooseFileMenuItem(const QString& caption) const;
    bool pressButton(const QString& window, const QString& caption) const;
    // Keys pressed in the main window ("alt+f").
    bool press(const QString& keys) const;
    // Replaces the whole text of a panel field by typing.
    bool enterText(const QString& fieldCaption, const QString& text) const;
    // Types into the file name box of the dialog that has just opened, and
    // confirms with Enter.
    bool answerFileDialog(const QString& title, const QString& typed) const;

private:
    inline static const QString kFrame = QStringLiteral("frame");

    static QRect extents(const std::optional<Accessible>& object) {
        return object ? object->extents() : QRect();
    }
    // A top-level window of the program: the main one is a frame, dialogs are not.
    std::optional<Accessible> window(const QString& title, bool frame) const;
    // With no window manager, the keyboard focus falls back to the root
    // window when a dialog closes; the test gives it back, as a window
    // manager does on a click.
    bool focusMainWindow() const;

    const XServer& x_;
    Input input_;
    Accessible application_;
    WindowId mainWindow_ = 0;
};

} // namespace vorlane::e2e
