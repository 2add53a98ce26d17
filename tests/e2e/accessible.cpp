// libatspi first: GLib's headers use names that Qt defines as macros.
#include <atspi/atspi.h>

#include "accessible.h"

namespace vorlane::e2e {

namespace {

// A call that fails (the object is gone, or does not have that interface)
// gives nothing, as a screen reader takes it.
class Failure {
public:
    ~Failure() { g_clear_error(&error_); }
    operator GError**() { return &error_; }

private:
    GError* error_ = nullptr;
};

// A string that libatspi hands over, nullptr on failure.
QString taken(gchar* text) {
    const QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

} // namespace

Accessible::Accessible(AtspiAccessible* object) : object_(object, g_object_unref) {}

std::optional<Accessible> Accessible::application(const QString& name) {
    static const Accessible desktop = [] {
        atspi_init();
        // The program answers slowly while it draws; libatspi waits 0.8 s.
        atspi_set_timeout(5000, 15000);
        AtspiAccessible* root = atspi_get_desktop(0);
        // Every answer fresh from the program: the test reads while it acts.
        atspi_accessible_set_cache_mask(root, ATSPI_CACHE_NONE);
        return Accessible(root);
    }();
    for (const Accessible& application : desktop.children())
        if (application.name() == name)
            return application;
    return std::nullopt;
}

QString Accessible::name() const {
    return taken(atspi_accessible_get_name(object_.get(), Failure()));
}

QString Accessible::role() const {
    return taken(atspi_accessible_get_role_name(object_.get(), Failure()));
}

QList<Accessible> Accessible::children() const {
    QList<Accessible> result;
    const gint count = atspi_accessible_get_child_count(object_.get(), Failure());
    for (gint i = 0; i < count; ++i)
        if (AtspiAccessible* child = atspi_accessible_get_child_at_index(object_.get(), i, Failure()))
            result.append(Accessible(child));
    return result;
}

QRect Accessible::extents() const {
    const std::unique_ptr<AtspiRect, decltype(&g_free)> area(
        atspi_component_get_extents(ATSPI_COMPONENT(object_.get()), ATSPI_COORD_TYPE_SCREEN,
                                    Failure()),
        g_free);
    return area ? QRect(area->x, area->y, area->width, area->height) : QRect();
}

QString Accessible::text() const {
    return taken(atspi_text_get_text(ATSPI_TEXT(object_.get()), 0, -1, Failure()));
}

bool Accessible::is(State state) const {
    const std::unique_ptr<AtspiStateSet, decltype(&g_object_unref)> states(
        atspi_accessible_get_state_set(object_.get()), g_object_unref);
    return states && atspi_state_set_contains(states.get(), state == State::Focused
                                                                ? ATSPI_STATE_FOCUSED
                                                                : ATSPI_STATE_SHOWING);
}

QList<Accessible> Accessible::subtree() const {
    QList<Accessible> result{*this};
    for (const Accessible& child : children())
        result.append(child.subtree());
    return result;
}

std::optional<Accessible> Accessible::find(const QString& name, const QString& role) const {
    if (this->name() == name && (role.isEmpty() || this->role() == role))
        return *this;
    for (const Accessible& child : children())
        if (std::optional<Accessible> found = child.find(name, role))
            return found;
    return std::nullopt;
}

} // namespace vorlane::e2e
