// wl-keyboard: a keyboard with the layouts named on the command line ("us,ru"), plugged into the
// Wayland seat through the virtual-keyboard protocol, as a person's keyboard would be. Headless sway
// has none, so its keymap is the one every program is sent. Prints "ready" once the compositor has
// the keymap and stays until killed.
#include "virtual-keyboard-unstable-v1-client.h"

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdio>
#include <cstring>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

namespace {

struct Globals {
    wl_seat *seat = nullptr;
    zwp_virtual_keyboard_manager_v1 *manager = nullptr;
};

void global(void *data, wl_registry *registry, std::uint32_t name, const char *interface, std::uint32_t)
{
    auto *globals = static_cast<Globals *>(data);
    const std::string_view offered(interface);
    if (offered == wl_seat_interface.name && !globals->seat)
        globals->seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (offered == zwp_virtual_keyboard_manager_v1_interface.name)
        globals->manager = static_cast<zwp_virtual_keyboard_manager_v1 *>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
}

void globalRemove(void *, wl_registry *, std::uint32_t)
{
}

const wl_registry_listener registryListener = {global, globalRemove};

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names names{"evdev", "pc105", argv[1], "", ""};
    xkb_keymap *keymap = context ? xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS) : nullptr;
    char *text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    if (!text)
        return 1;
    const std::size_t size = std::strlen(text) + 1;
    const int fd = memfd_create("keymap", MFD_CLOEXEC);
    if (fd < 0 || write(fd, text, size) != static_cast<ssize_t>(size))
        return 1;

    wl_display *display = wl_display_connect(nullptr);
    if (!display)
        return 1;
    Globals globals;
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, &globals);
    wl_display_roundtrip(display);
    if (!globals.seat || !globals.manager)
        return 1;
    zwp_virtual_keyboard_v1 *keyboard
        = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(globals.manager, globals.seat);
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, static_cast<std::uint32_t>(size));
    if (wl_display_roundtrip(display) < 0)
        return 1;
    std::puts("ready");
    std::fflush(stdout);
    while (wl_display_dispatch(display) >= 0) { }
    return 0;
}
