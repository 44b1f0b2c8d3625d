#include "WaylandKeymap.h"

#include <QLoggingCategory>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace {
Q_LOGGING_CATEGORY(lcKeymap, "quillbox.layouts", QtInfoMsg)
} // namespace

struct KeymapListeners {
    static void capabilities(void *data, wl_seat *, std::uint32_t capabilities)
    {
        static_cast<WaylandKeymap *>(data)->noteCapabilities(capabilities);
    }
    static void seatName(void *, wl_seat *, const char *) { }
    static void keymap(void *data, wl_keyboard *, std::uint32_t format, int fd, std::uint32_t size)
    {
        static_cast<WaylandKeymap *>(data)->noteKeymap(format, fd, size);
    }
    static void enter(void *, wl_keyboard *, std::uint32_t, wl_surface *, wl_array *) { }
    static void leave(void *, wl_keyboard *, std::uint32_t, wl_surface *) { }
    static void key(void *, wl_keyboard *, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) { }
    static void modifiers(
        void *, wl_keyboard *, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t)
    {
    }
    static void repeatInfo(void *, wl_keyboard *, std::int32_t, std::int32_t) { }

    static constexpr wl_seat_listener seatListener = {capabilities, seatName};
    static constexpr wl_keyboard_listener keyboardListener = {keymap, enter, leave, key, modifiers, repeatInfo};
};

WaylandKeymap::WaylandKeymap(WaylandConnection &connection)
    : m_connection(connection)
    , m_seat(connection.bind(wl_seat_interface, 1, wl_seat_destroy))
    , m_context(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES))
{
    if (!m_seat || !m_context) {
        qCWarning(lcKeymap) << "cannot reach the Wayland compositor's seat; no keyboard layouts";
        return;
    }
    xkb_context_set_log_level(m_context, XKB_LOG_LEVEL_CRITICAL);
    wl_seat_add_listener(m_seat.get(), &KeymapListeners::seatListener, this);
    // The seat's capabilities, then the keyboard's keymap: one answer each.
    for (int i = 0; i < 2 && m_connection.roundtrip(); ++i) { }
}

WaylandKeymap::~WaylandKeymap()
{
    if (m_keyboard)
        wl_keyboard_destroy(m_keyboard);
    if (m_context)
        xkb_context_unref(m_context);
}

QByteArray WaylandKeymap::text()
{
    m_connection.roundtrip();
    return m_text;
}

void WaylandKeymap::noteCapabilities(std::uint32_t capabilities)
{
    const bool hasKeyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
    if (hasKeyboard && !m_keyboard) {
        m_keyboard = wl_seat_get_keyboard(m_seat.get());
        wl_keyboard_add_listener(m_keyboard, &KeymapListeners::keyboardListener, this);
    } else if (!hasKeyboard && m_keyboard) {
        // The next keyboard sends its keymap afresh; until then the last one still holds.
        wl_keyboard_destroy(m_keyboard);
        m_keyboard = nullptr;
    }
}

void WaylandKeymap::noteKeymap(std::uint32_t format, int fd, std::uint32_t size)
{
    if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 || size == 0) {
        ::close(fd);
        return;
    }
    void *mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (mapped == MAP_FAILED)
        return;
    // The text ends with a NUL that the size counts.
    const QByteArray text(
        static_cast<const char *>(mapped), qsizetype(::strnlen(static_cast<const char *>(mapped), size)));
    ::munmap(mapped, size);

    xkb_keymap *keymap = xkb_keymap_new_from_string(
        m_context, text.constData(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap)
        return;
    const char *name = xkb_keymap_num_layouts(keymap) > 0 ? xkb_keymap_layout_get_name(keymap, 0) : nullptr;
    if (name && *name)
        m_text = text;
    xkb_keymap_unref(keymap);
}
