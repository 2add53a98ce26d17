// libatspi first: GLib's headers use names that Qt defines as macros.
#include <atspi/atspi.h>

#include "accessible.h"

// A call that fails (the object has gone, or lacks that interface) gives
// nothing, as a screen reader takes it: no call asks for a GError.
namespace vorlane::e2e {

namespace {
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
        atspi_set_timeout(5000, 15000); // the program answers slowly while it draws
        AtspiAccessible* root = atspi_get_desktop(0);
        // Every answer fresh from the program, which changes as the test reads.
        atspi_accessible_set_cache_mask(root, ATSPI_CACHE_NONE);
        return Accessible(root);
    }();
    for (const Accessible& application : desktop.children())
        if (application.name() == name)
            return application;
    return std::nullopt;
}

QString Accessible::name() const {
    return taken(atspi_accessible_get_name(object_.get(), nullptr));
}

QString Accessible::role() const {
    return taken(atspi_accessible_get_role_name(object_.get(), nullptr));
}

QString Accessible::text() const {
    return taken(atspi_text_get_text(ATSPI_TEXT(object_.get()), 0, -1, nullptr));
}

QList<Accessible> Accessible::children() const {
    QList<Accessible> result;
    for (int i = 0, count = atspi_accessible_get_child_count(object_.get(), nullptr); i < count;
         ++i)
        if (AtspiAccessible* child = atspi_accessible_get_child_at_index(object_.get(), i, nullptr))
            result.append(Accessible(child));
    return result;
}

QRect Accessible::extents() const {
    AtspiRect* area = atspi_component_get_extents(ATSPI_COMPONENT(object_.get()),
                                                  ATSPI_COORD_TYPE_SCREEN, nullptr);
    const QRect result = area ? QRect(area->x, area->y, area->width, area->height) : QRect();
    g_free(area);
    return result;
}

bool Accessible::is(State state) const {
    AtspiStateSet* states = atspi_accessible_get_state_set(object_.get());
    const bool result =
        states && atspi_state_set_contains(states, state == State::Focused ? ATSPI_STATE_FOCUSED
                                                                           : ATSPI_STATE_SHOWING);
    if (states)
        g_object_unref(states);
    return result;
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
