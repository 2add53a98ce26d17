#pragma once

// Real mouse clicks and key presses, as a person gives them, through the X
// server's XTest extension.

#include "xserver.h"

#include <QList>
#include <QPoint>
#include <QString>

namespace vorlane::e2e {

class Input {
public:
    explicit Input(const XServer& x) : x_(x) {}

    void moveTo(QPoint point) const;
    // The left button, where the pointer is.
    void click() const;
    // Keys held together, by their X names joined with "+": "alt+f", "Return".
    bool press(const QString& keys) const;
    // Types the text key by key; false for a character that no key gives.
    bool type(const QString& text) const;

private:
    // Presses the keys of those symbols in order and lets them go in reverse.
    bool hold(const QList<unsigned long>& symbols) const;

    const XServer& x_;
};

} // namespace vorlane::e2e
