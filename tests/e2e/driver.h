#pragma once

// Uses the running program as a person does, with real mouse clicks and key
// presses (xdotool), and finds its widgets and reads their texts as a screen
// reader does (the accessibility bridge). Every wait polls with a bound.

#include "accessibility.h"

#include <QProcessEnvironment>
#include <QRect>
#include <QStringList>

#include <optional>

namespace vorlane::e2e {

inline const QString kMainTitle = QStringLiteral("Vorlane");

class Driver {
public:
    // The program's accessible application, on the X server of that
    // environment's DISPLAY.
    Driver(QProcessEnvironment xEnvironment, Accessible application);

    // Top-level windows, by their X ids.
    bool waitForMainWindow();
    QString mainWindow() const { return mainWindow_; }
    QStringList visibleWindows(const QString& title) const;
    std::optional<QString> waitForNewWindow(const QString& title,
                                            const QStringList& known = {}) const;
    bool waitUntilGone(const QString& title, const QString& window) const;
    // The outer size of a window, as the X server has it.
    QSize windowSize(const QString& window) const;
    QString windowTitle(const QString& window) const;

    // Widgets.
    std::optional<Accessible> drawRingsButton() const;
    // The first object in the main window with that name, and that role if one is given.
    std::optional<Accessible> named(const QString& name, const QString& role = {}) const;
    // The panel's entry field on the row of the label with that caption.
    std::optional<Accessible> field(const QString& caption) const;
    QRect canvasOnScreen() const;
    QRect panelOnScreen() const;
    // The texts of the message box with that title, one a line.
    QString messageIn(const QString& title) const;

    // Actions.
    bool click(const std::optional<Accessible>& object) const;
    bool chooseFileMenuItem(const QString& caption) const;
    bool pressButton(const QString& window, const QString& caption) const;
    // Keys pressed in the main window, as xdotool names them ("alt+f").
    bool press(const QString& keys) const;
    // Replaces the whole text of a panel field by typing.
    bool enterText(const QString& fieldCaption, const QString& text) const;
    // Types into the file name box of the dialog that has just opened, and
    // confirms with Enter.
    bool answerFileDialog(const QString& title, const QString& typed) const;

private:
    bool xdo(const QStringList& arguments, QString* output = nullptr) const;
    bool waitForFocus(const QString& window) const;
    bool pointAt(const std::optional<Accessible>& object) const;
    bool type(const QString& text) const;
    std::optional<Accessible> mainFrame() const;
    std::optional<Accessible> inMainWindow(const QString& role, const QString& name) const;
    std::optional<Accessible> dialog(const QString& title) const;

    QProcessEnvironment xEnvironment_;
    Accessible application_;
    QString mainWindow_;
};

} // namespace vorlane::e2e
