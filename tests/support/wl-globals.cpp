// wl-globals: what a Wayland client sees when it connects. Prints a line "global INTERFACE VERSION" for
// each global of the registry, "seat CAPABILITY..." for the first seat (keyboard, pointer, touch), and,
// when the seat has a keyboard, "layout NAME" for each layout of the keymap the compositor sends.
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

struct Client {
    wl_seat *seat = nullptr;
    std::uint32_t capabilities = 0;
    std::vector<std::string> layouts;
    bool keymapArrived = false;
};

void global(void *data, wl_registry *registry, std::uint32_t name, const char *interface, std::uint32_t version)
{
    auto *client = static_cast<Client *>(data);
    std::printf("global %s %u\n", interface, version);
    if (std::string_view(interface) == wl_seat_interface.name && !client->seat)
        client->seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
}

void globalRemove(void *, wl_registry *, std::uint32_t)
{
}

void capabilities(void *data, wl_seat *, std::uint32_t capabilities)
{
    static_cast<Client *>(data)->capabilities = capabilities;
}

void keymap(void *data, wl_keyboard *, std::uint32_t format, std::int32_t fd, std::uint32_t size)
{
    auto *client = static_cast<Client *>(data);
    client->keymapArrived = true;
    void *text
        = format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 ? mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0) : MAP_FAILED;
    close(fd);
    if (text == MAP_FAILED)
        return;
    xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    // The text ends in a NUL that the size counts.
    xkb_keymap *compiled = xkb_keymap_new_from_buffer(context, static_cast<const char *>(text),
        std::max<std::size_t>(size, 1) - 1, XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    munmap(text, size);
    for (xkb_layout_index_t layout = 0; compiled && layout < xkb_keymap_num_layouts(compiled); ++layout) {
        const char *name = xkb_keymap_layout_get_name(compiled, layout);
        client->layouts.emplace_back(name ? name : "");
    }
    xkb_keymap_unref(compiled);
    xkb_context_unref(context);
}

void enter(void *, wl_keyboard *, std::uint32_t, wl_surface *, wl_array *)
{
}
void leave(void *, wl_keyboard *, std::uint32_t, wl_surface *)
{
}
void key(void *, wl_keyboard *, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t)
{
}
void modifiers(void *, wl_keyboard *, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t)
{
}

const wl_registry_listener registryListener = {global, globalRemove};
const wl_seat_listener seatListener = {capabilities, nullptr};
const wl_keyboard_listener keyboardListener = {keymap, enter, leave, key, modifiers, nullptr};

} // namespace

int main()
{
    wl_display *display = wl_display_connect(nullptr);
    if (!display) {
        std::fputs("wl-globals: no Wayland display\n", stderr);
        return 1;
    }
    Client client;
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, &client);
    if (wl_display_roundtrip(display) < 0)
        return 1;
    if (!client.seat) {
        std::puts("seat");
        return 0;
    }
    wl_seat_add_listener(client.seat, &seatListener, &client);
    wl_display_roundtrip(display);
    std::printf("seat");
    for (const auto &[bit, name] : {std::pair{WL_SEAT_CAPABILITY_KEYBOARD, "keyboard"},
             std::pair{WL_SEAT_CAPABILITY_POINTER, "pointer"}, std::pair{WL_SEAT_CAPABILITY_TOUCH, "touch"}}) {
        if (client.capabilities & bit)
            std::printf(" %s", name);
    }
    std::printf("\n");
    if (client.capabilities & WL_SEAT_CAPABILITY_KEYBOARD) {
        wl_keyboard *keyboard = wl_seat_get_keyboard(client.seat);
        wl_keyboard_add_listener(keyboard, &keyboardListener, &client);
        for (int trip = 0; trip < 3 && !client.keymapArrived; ++trip)
            wl_display_roundtrip(display);
        for (const std::string &layout : client.layouts)
            std::printf("layout %s\n", layout.c_str());
    }
    wl_display_disconnect(display);
    return 0;
}
