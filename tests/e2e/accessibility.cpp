#include "accessibility.h"

#include "processes.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include <utility>

namespace vorlane::e2e {

namespace {

const QString kAccessibleInterface = QStringLiteral("org.a11y.atspi.Accessible");
const QString kSessionName = QStringLiteral("vorlane-e2e-session");
const QString kAccessibilityName = QStringLiteral("vorlane-e2e-accessibility");
constexpr int kCallTimeoutMs = 5000;

// The first value of a reply, or nothing for an error reply.
QVariant firstValue(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().first();
}

QDBusMessage callOn(const QDBusConnection& bus, const QString& service, const QString& path,
                    const QString& interface, const QString& method,
                    const QList<QVariant>& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, kCallTimeoutMs);
}

// An AT-SPI list of object references, a(so).
QList<std::pair<QString, QString>> references(const QVariant& value) {
    QList<std::pair<QString, QString>> result;
    if (!value.canConvert<QDBusArgument>())
        return result;
    const QDBusArgument argument = value.value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        QString service;
        QDBusObjectPath path;
        argument.beginStructure();
        argument >> service >> path;
        argument.endStructure();
        result.append({service, path.path()});
    }
    argument.endArray();
    return result;
}

} // namespace

Accessible::Accessible(const QDBusConnection& bus, QString service, QString path)
    : bus_(bus), service_(std::move(service)), path_(std::move(path)) {}

QDBusMessage Accessible::call(const QString& interface, const QString& method,
                              const QList<QVariant>& arguments) const {
    return callOn(bus_, service_, path_, interface, method, arguments);
}

QString Accessible::name() const {
    const QVariant value =
        firstValue(call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                        {kAccessibleInterface, QStringLiteral("Name")}));
    return value.value<QDBusVariant>().variant().toString();
}

QString Accessible::role() const {
    return firstValue(call(kAccessibleInterface, QStringLiteral("GetRoleName"))).toString();
}

QList<Accessible> Accessible::children() const {
    QList<Accessible> result;
    const auto refs =
        references(firstValue(call(kAccessibleInterface, QStringLiteral("GetChildren"))));
    for (const auto& [service, path] : refs)
        result.append(Accessible(bus_, service, path));
    return result;
}

QRect Accessible::extents() const {
    // Coordinate type 0: the screen's.
    const QVariant value = firstValue(call(QStringLiteral("org.a11y.atspi.Component"),
                                           QStringLiteral("GetExtents"), {QVariant(0u)}));
    if (!value.canConvert<QDBusArgument>())
        return {};
    int x = 0, y = 0, width = 0, height = 0;
    const QDBusArgument argument = value.value<QDBusArgument>();
    argument.beginStructure();
    argument >> x >> y >> width >> height;
    argument.endStructure();
    return {x, y, width, height};
}

QString Accessible::text() const {
    return firstValue(call(QStringLiteral("org.a11y.atspi.Text"), QStringLiteral("GetText"),
                           {QVariant(0), QVariant(-1)}))
        .toString();
}

bool Accessible::is(State state) const {
    const QVariant value = firstValue(call(kAccessibleInterface, QStringLiteral("GetState")));
    QList<uint> words;
    if (value.canConvert<QDBusArgument>())
        value.value<QDBusArgument>() >> words;
    const auto bit = static_cast<unsigned>(state);
    return words.size() > qsizetype{bit / 32} && (words[bit / 32] >> bit % 32 & 1u) != 0;
}

QList<Accessible> Accessible::subtree() const {
    QList<Accessible> result{*this};
    for (const Accessible& child : children())
        result.append(child.subtree());
    return result;
}

std::optional<Accessible> Accessible::find(const QString& role, const QString& name) const {
    if (this->role() == role && this->name() == name)
        return *this;
    for (const Accessible& child : children())
        if (std::optional<Accessible> found = child.find(role, name))
            return found;
    return std::nullopt;
}

AccessibilityBus::~AccessibilityBus() {
    stop();
}

QString AccessibilityBus::start(const QString& runtimeDir) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The accessibility bus launcher puts its socket there, away from any
    // other run's; and it must not reach for a display of its own.
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    environment.remove(QStringLiteral("DISPLAY"));
    startChild(daemon_, QStringLiteral("dbus-daemon"),
               {QStringLiteral("--session"), QStringLiteral("--nofork"),
                QStringLiteral("--print-address=1")},
               environment);
    address_ = firstLine(daemon_, milliseconds(10000));
    if (address_.isEmpty())
        return QStringLiteral("dbus-daemon did not start: %1")
            .arg(QString::fromLocal8Bit(daemon_.readAllStandardError()));
    const QDBusConnection session = QDBusConnection::connectToBus(address_, kSessionName);
    if (!session.isConnected())
        return QStringLiteral("cannot connect to the session bus %1").arg(address_);
    // Starts the accessibility bus on first use.
    const QString accessibilityAddress =
        firstValue(callOn(session, QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                          QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"), {}))
            .toString();
    if (accessibilityAddress.isEmpty())
        return QStringLiteral("no accessibility bus: is at-spi2-core installed?");
    accessibility_ = QDBusConnection::connectToBus(accessibilityAddress, kAccessibilityName);
    if (!accessibility_->isConnected())
        return QStringLiteral("cannot connect to the accessibility bus %1")
            .arg(accessibilityAddress);
    return {};
}

void AccessibilityBus::stop() {
    accessibility_.reset();
    QDBusConnection::disconnectFromBus(kAccessibilityName);
    QDBusConnection::disconnectFromBus(kSessionName);
    // The accessibility bus and its registry end with the session bus.
    e2e::stop(daemon_);
}

std::optional<Accessible> AccessibilityBus::application(const QString& name) {
    if (!accessibility_)
        return std::nullopt;
    const Accessible desktop(*accessibility_, QStringLiteral("org.a11y.atspi.Registry"),
                             QStringLiteral("/org/a11y/atspi/accessible/root"));
    for (const Accessible& application : desktop.children())
        if (application.name() == name)
            return application;
    return std::nullopt;
}

} // namespace vorlane::e2e
