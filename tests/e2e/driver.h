#pragma once

// Uses the running program as a person does, with real mouse clicks and key
// presses (XTest), and finds its widgets and reads their texts as a screen
// reader does. Every wait polls with a bound.

#include "accessible.h"
#include "xserver.h"

namespace vorlane::e2e {

inline const QString kMainTitle = QStringLiteral("Vorlane");

class Driver {
public:
    Driver(const XServer& x, const Accessible& application, WindowId mainWindow)
        : x_(x), application_(application), mainWindow_(mainWindow) {}

    WindowId mainWindow() const { return mainWindow_; }
    // The first widget in the main window with that name, and that role if one is given.
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

    bool click(const std::optional<Accessible>& object) const;
    bool chooseFileMenuItem(const QString& caption) const;
    bool pressButton(const QString& window, const QString& caption) const;
    // Keys held together in the main window, by their X names: "Alt_L+f", "Return".
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
    // Input through XTest.
    void moveTo(QPoint point) const;
    void clickHere() const;
    bool hold(const QList<unsigned long>& keySymbols) const;
    bool type(const QString& text) const;

    const XServer& x_;
    Accessible application_;
    WindowId mainWindow_;
};

} // namespace vorlane::e2e
