// wl-keyboard: a keyboard the tests type on, plugged into the Wayland seat as a person's keyboard would
// be, and kept there until stdin closes. Through the virtual-keyboard protocol it carries the layouts
// named on the command line ("us,ru"), and the keymap every program is sent is its own once it has
// typed; with --fake-input it types through KWin's fake-input instead, and the compositor's own
// keyboard settings decide the layouts. With --unplugged it is in the seat only while it presses: plugged
// in, given time for the programs to take it, the keys, and unplugged at once. Prints "ready" once the
// compositor has it, then answers each line of stdin with "ok" or "error: why":
//   press CODE...    evdev key codes, the modifiers first and the key last (KeyChord names them):
//                    modifiers down, the key held 100 ms, released before the modifiers
//   layouts LIST     a new keymap with these layouts, the first one active (virtual keyboard only)
#include "kde-fake-input-client.h"
#include "virtual-keyboard-unstable-v1-client.h"

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint32_t released = 0;
constexpr std::uint32_t pressed = 1;
// Keycodes of the keymap are evdev codes plus 8.
constexpr std::uint32_t evdevOffset = 8;

struct Seat {
    wl_seat *seat = nullptr;
    zwp_virtual_keyboard_manager_v1 *manager = nullptr;
    org_kde_kwin_fake_input *fakeInput = nullptr;
    std::uint32_t capabilities = 0;
};

void capabilities(void *data, wl_seat *, std::uint32_t capabilities)
{
    static_cast<Seat *>(data)->capabilities = capabilities;
}

void seatName(void *, wl_seat *, const char *)
{
}

const wl_seat_listener seatListener = {capabilities, seatName};

void global(void *data, wl_registry *registry, std::uint32_t name, const char *interface, std::uint32_t version)
{
    auto *seat = static_cast<Seat *>(data);
    const std::string_view offered(interface);
    if (offered == wl_seat_interface.name && !seat->seat) {
        seat->seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        wl_seat_add_listener(seat->seat, &seatListener, seat);
    } else if (offered == zwp_virtual_keyboard_manager_v1_interface.name) {
        seat->manager = static_cast<zwp_virtual_keyboard_manager_v1 *>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    } else if (offered == org_kde_kwin_fake_input_interface.name && version >= 4) {
        seat->fakeInput = static_cast<org_kde_kwin_fake_input *>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
    }
}

void globalRemove(void *, wl_registry *, std::uint32_t)
{
}

const wl_registry_listener registryListener = {global, globalRemove};

xkb_keymap *compile(xkb_context *context, const std::string &layouts)
{
    // "de(nodeadkeys)" names a layout with its variant, as the compositors' settings do.
    std::string names;
    std::string variants;
    std::stringstream list(layouts);
    bool first = true;
    for (std::string layout; std::getline(list, layout, ','); first = false) {
        const std::size_t open = layout.find('(');
        names += (first ? "" : ",") + layout.substr(0, open);
        variants += first ? "" : ",";
        if (open != std::string::npos && layout.back() == ')')
            variants += layout.substr(open + 1, layout.size() - open - 2);
    }
    const xkb_rule_names rules{"evdev", "pc105", names.c_str(), variants.c_str(), ""};
    return xkb_keymap_new_from_names(context, &rules, XKB_KEYMAP_COMPILE_NO_FLAGS);
}

std::uint32_t milliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::uint32_t(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

class Keyboard {
public:
    enum class Presence { Always, WhilePressing };

    Keyboard(wl_display *display, const Seat &seat, bool fakeInput, Presence presence)
        : m_display(display)
        , m_seat(seat)
        , m_fakeInputRoad(fakeInput)
        , m_fakeInput(fakeInput ? seat.fakeInput : nullptr)
        , m_presence(presence)
        , m_context(xkb_context_new(XKB_CONTEXT_NO_FLAGS))
    {
        if (m_fakeInput)
            org_kde_kwin_fake_input_authenticate(m_fakeInput, "wl-keyboard", "Types for the tests");
        else if (!fakeInput && presence == Presence::Always && canPlug())
            plugIn();
    }

    bool isValid() const { return m_context && (m_fakeInputRoad ? m_fakeInput != nullptr : canPlug()); }
    bool isVirtual() const { return !m_fakeInputRoad; }

    std::string setLayouts(const std::string &layouts)
    {
        if (m_fakeInput)
            return "error: the compositor's settings decide the layouts of fake-input";
        xkb_keymap *keymap = compile(m_context, layouts);
        char *text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
        xkb_keymap_unref(keymap);
        if (!text)
            return "error: no such layouts: " + layouts;
        m_keymap = text;
        std::free(text);
        if (m_state)
            xkb_state_unref(m_state);
        m_state = nullptr;
        if (!m_virtual)
            return "ok";
        if (!sendKeymap())
            return "error: cannot hand over the keymap";
        return wl_display_roundtrip(m_display) >= 0 ? "ok" : "error: the compositor closed the connection";
    }

    std::string press(const std::string &codes)
    {
        std::vector<std::uint32_t> keys;
        std::stringstream parts(codes);
        for (std::uint32_t key = 0; parts >> key;)
            keys.push_back(key);
        if (keys.empty() || !parts.eof())
            return "error: not a list of key codes: " + codes;
        if (!m_fakeInput && m_keymap.empty())
            return "error: no layouts yet";
        if (!m_fakeInput && m_presence == Presence::WhilePressing && !plugIn())
            return "error: the seat did not take the keyboard";
        using namespace std::chrono_literals;
        for (std::uint32_t key : keys) {
            send(key, pressed);
            std::this_thread::sleep_for(key == keys.back() ? 100ms : 20ms);
        }
        for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
            send(*key, released);
            // Unplugged the moment the last key is up, before the program that took the keys reacts
            // with a keyboard of its own.
            if (m_presence == Presence::WhilePressing && key + 1 == keys.rend())
                unplug();
            else
                std::this_thread::sleep_for(20ms);
        }
        return wl_display_roundtrip(m_display) >= 0 ? "ok" : "error: the compositor closed the connection";
    }

private:
    bool canPlug() const { return m_seat.manager && m_seat.seat; }

    bool plugIn()
    {
        m_virtual = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(m_seat.manager, m_seat.seat);
        if (!m_keymap.empty() && !sendKeymap())
            return false;
        if (m_presence == Presence::Always)
            return true;
        using namespace std::chrono_literals;
        for (int tries = 0; !(m_seat.capabilities & WL_SEAT_CAPABILITY_KEYBOARD); ++tries) {
            if (tries == 200 || wl_display_roundtrip(m_display) < 0)
                return false;
            std::this_thread::sleep_for(10ms);
        }
        // Programs take a new keyboard when their event loop reads the seat's news, and a key pressed
        // before that is lost to them; no client can see when another one has, so the wait is generous.
        std::this_thread::sleep_for(250ms);
        return true;
    }

    void unplug()
    {
        zwp_virtual_keyboard_v1_destroy(m_virtual);
        m_virtual = nullptr;
        wl_display_flush(m_display);
    }

    bool sendKeymap()
    {
        const std::size_t size = m_keymap.size() + 1;
        const int fd = memfd_create("keymap", MFD_CLOEXEC);
        const bool written = fd >= 0 && write(fd, m_keymap.c_str(), size) == static_cast<ssize_t>(size);
        if (written)
            zwp_virtual_keyboard_v1_keymap(m_virtual, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, std::uint32_t(size));
        if (fd >= 0)
            close(fd);
        if (!written)
            return false;
        if (!m_state) {
            xkb_keymap *keymap = xkb_keymap_new_from_string(
                m_context, m_keymap.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
            m_state = xkb_state_new(keymap);
            xkb_keymap_unref(keymap);
        }
        sendModifiers();
        return true;
    }

    void send(std::uint32_t key, std::uint32_t state)
    {
        if (m_fakeInput) {
            org_kde_kwin_fake_input_keyboard_key(m_fakeInput, key, state);
        } else {
            zwp_virtual_keyboard_v1_key(m_virtual, milliseconds(), key, state);
            xkb_state_update_key(m_state, key + evdevOffset, state == pressed ? XKB_KEY_DOWN : XKB_KEY_UP);
            sendModifiers();
        }
        wl_display_flush(m_display);
    }

    // A virtual keyboard says its modifier state itself; compositors do not derive it from its keys.
    void sendModifiers()
    {
        zwp_virtual_keyboard_v1_modifiers(m_virtual, xkb_state_serialize_mods(m_state, XKB_STATE_MODS_DEPRESSED),
            xkb_state_serialize_mods(m_state, XKB_STATE_MODS_LATCHED),
            xkb_state_serialize_mods(m_state, XKB_STATE_MODS_LOCKED),
            xkb_state_serialize_layout(m_state, XKB_STATE_LAYOUT_EFFECTIVE));
    }

    wl_display *m_display;
    const Seat &m_seat;
    bool m_fakeInputRoad;
    org_kde_kwin_fake_input *m_fakeInput = nullptr;
    Presence m_presence;
    zwp_virtual_keyboard_v1 *m_virtual = nullptr;
    xkb_context *m_context;
    std::string m_keymap;
    xkb_state *m_state = nullptr;
};

} // namespace

int main(int argc, char **argv)
{
    const std::string_view option = argc == 3 ? argv[1] : "";
    const bool fakeInput = option == "--fake-input";
    const bool unplugged = option == "--unplugged";
    if (argc != 2 && !fakeInput && !unplugged) {
        std::fputs("usage: wl-keyboard [--fake-input | --unplugged] LAYOUTS\n", stderr);
        return 2;
    }
    wl_display *display = wl_display_connect(nullptr);
    if (!display)
        return 1;
    Seat seat;
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, &seat);
    wl_display_roundtrip(display);
    Keyboard keyboard(
        display, seat, fakeInput, unplugged ? Keyboard::Presence::WhilePressing : Keyboard::Presence::Always);
    if (!keyboard.isValid()) {
        std::fputs(fakeInput ? "wl-keyboard: the compositor grants no fake-input\n"
                             : "wl-keyboard: the compositor offers no virtual keyboard\n",
            stderr);
        return 1;
    }
    if (keyboard.isVirtual() && keyboard.setLayouts(argv[argc - 1]) != "ok")
        return 1;
    if (wl_display_roundtrip(display) < 0)
        return 1;
    std::puts("ready");
    std::fflush(stdout);
    for (std::string line; std::getline(std::cin, line);) {
        const std::size_t space = line.find(' ');
        const std::string command = line.substr(0, space);
        const std::string argument = space == std::string::npos ? std::string() : line.substr(space + 1);
        const std::string answer = command == "press" ? keyboard.press(argument)
            : command == "layouts"                    ? keyboard.setLayouts(argument)
                                                      : "error: unknown command " + command;
        std::puts(answer.c_str());
        std::fflush(stdout);
        // Events the compositor sent meanwhile (pings of the registry) are read between commands.
        if (wl_display_dispatch_pending(display) < 0)
            return 1;
    }
    return 0;
}
