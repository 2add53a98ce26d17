#pragma once

// Reading the running program as a screen reader does, through libatspi on
// the accessibility bus of the test's session: the names, roles and texts of
// its widgets, and where they lie on the screen.

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
    // AT-SPI's role name: "push button", "label", "text", "menu item", ...
    QString role() const;
    QList<Accessible> children() const;
    // Screen coordinates.
    QRect extents() const;
    // The whole text of an editable field.
    QString text() const;
    // Showing: on the screen now (a closed menu's items are not); Focused:
    // the keyboard's target, or a menu's item under the pointer.
    enum class State { Focused, Showing };
    bool is(State state) const;

    // This object and everything below it, depth first.
    QList<Accessible> subtree() const;
    // The first object of the subtree with exactly that name, and that role
    // if one is given.
    std::optional<Accessible> find(const QString& name, const QString& role = {}) const;

private:
    // Takes over the reference that libatspi gave.
    explicit Accessible(_AtspiAccessible* object);

    std::shared_ptr<_AtspiAccessible> object_;
};

} // namespace vorlane::e2e
