#include "WaylandSession.h"

#include <wayland-client.h>

namespace {

void noteGlobal(void *data, wl_registry *, std::uint32_t, const char *interface, std::uint32_t)
{
    static_cast<QStringList *>(data)->append(QString::fromLatin1(interface));
}

void forgetGlobal(void *, wl_registry *, std::uint32_t)
{
}

const wl_registry_listener registryListener = {noteGlobal, forgetGlobal};

} // namespace

std::optional<QStringList> waylandGlobals(const QByteArray &displayName)
{
    wl_display *display = wl_display_connect(displayName.isEmpty() ? nullptr : displayName.constData());
    if (!display)
        return std::nullopt;
    QStringList globals;
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &globals);
    const bool answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    if (!answered)
        return std::nullopt;
    return globals;
}
