#pragma once

// The program as a screen reader reads it: libatspi on the accessibility bus.

#include <QList>
#include <QRect>
#include <QString>

#include <memory>
#include <optional>

struct _AtspiAccessible;

namespace vorlane::e2e {

// One object of a program's accessibility tree.
class Accessible {
public:
    // The application of that name, once it has joined the accessibility bus.
    static std::optional<Accessible> application(const QString& name);

    QString name() const;
    QString role() const; // "push button", "label", "text", "menu item", ...
    QList<Accessible> children() const;
    QRect extents() const; // on the screen
    QString text() const;  // of an editable field
    // Showing: on the screen (a closed menu's items are not); Focused: the
    // keyboard's target, or a menu's item under the pointer.
    enum class State { Focused, Showing };
    bool is(State state) const;

    // This object and everything below it, depth first.
    QList<Accessible> subtree() const;
    // The first of them with exactly that name, and that role if one is given.
    std::optional<Accessible> find(const QString& name, const QString& role = {}) const;

private:
    explicit Accessible(_AtspiAccessible* object); // takes over libatspi's reference
    std::shared_ptr<_AtspiAccessible> object_;
};

} // namespace vorlane::e2e
