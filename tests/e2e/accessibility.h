#pragma once

// Reading the running program through Qt's accessibility bridge (AT-SPI over
// D-Bus), as a screen reader does: names and texts of its widgets, and where
// they lie on the screen. The test starts its own session bus, so nothing of
// the machine's own desktop is touched.

#include <QDBusConnection>
#include <QList>
#include <QProcess>
#include <QRect>
#include <QString>

#include <functional>
#include <optional>

namespace vorlane::e2e {

// One object of a program's accessibility tree.
class Accessible {
public:
    Accessible(const QDBusConnection& bus, QString service, QString path);

    QString name() const;
    // AT-SPI's role name: "push button", "label", "text", "menu item", ...
    QString role() const;
    QList<Accessible> children() const;
    // Screen coordinates.
    QRect extents() const;
    // The whole text of an editable field.
    QString text() const;
    // AT-SPI's state bits that the test looks at.
    enum class State : unsigned { Focused = 12, Showing = 25 };
    // Showing: on the screen now (a closed menu's items are not); Focused:
    // the keyboard's target, or a menu's item under the pointer.
    bool is(State state) const;

    // This object and everything below it, depth first.
    QList<Accessible> subtree() const;
    // The first object of the subtree with that role and exactly that name.
    std::optional<Accessible> find(const QString& role, const QString& name) const;

private:
    QDBusMessage call(const QString& interface, const QString& method,
                      const QList<QVariant>& arguments = {}) const;

    QDBusConnection bus_;
    QString service_;
    QString path_;
};

class AccessibilityBus {
public:
    AccessibilityBus() = default;
    ~AccessibilityBus();
    AccessibilityBus(const AccessibilityBus&) = delete;
    AccessibilityBus& operator=(const AccessibilityBus&) = delete;

    // Starts a session bus whose services keep their files in runtimeDir;
    // gives a reason when that fails.
    QString start(const QString& runtimeDir);
    void stop();

    // For DBUS_SESSION_BUS_ADDRESS of the program under test.
    QString sessionAddress() const { return address_; }

    // The application of that name, once it has joined the accessibility bus.
    std::optional<Accessible> application(const QString& name);

private:
    QProcess daemon_;
    QString address_;
    std::optional<QDBusConnection> accessibility_;
};

} // namespace vorlane::e2e
