#include "VirtualKeyboardKeySynthesizer.h"

#include "EvdevChord.h"

#include <QLoggingCategory>
#include <QRegularExpression>

#include <virtual-keyboard-unstable-v1-client.h>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <chrono>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

namespace {

Q_LOGGING_CATEGORY(lcVirtualKeyboard, "quillbox.paste", QtInfoMsg)

// Keycodes of an xkb keymap are evdev codes plus 8.
constexpr std::uint32_t evdevOffset = 8;

struct KeymapDeleter {
    void operator()(xkb_context *context) const { xkb_context_unref(context); }
    void operator()(xkb_keymap *keymap) const { xkb_keymap_unref(keymap); }
};

// A US keymap; its text is what the compositor gets, its state what programs see the keys hold.
std::unique_ptr<xkb_keymap, KeymapDeleter> usKeymap()
{
    const std::unique_ptr<xkb_context, KeymapDeleter> context(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    if (!context)
        return nullptr;
    const xkb_rule_names names = {"evdev", "pc105", "us", "", ""};
    return std::unique_ptr<xkb_keymap, KeymapDeleter>(
        xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
}

// The keymap's text without its layout's name ("English (US)"), which would make it pass for the
// person's layouts.
QByteArray unnamedText(xkb_keymap *keymap)
{
    char *text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    QString named = QString::fromUtf8(text);
    std::free(text);
    static const QRegularExpression layoutName(QStringLiteral("^\\s*name\\[[^\\]]*\\]\\s*=[^\\n]*\\n"),
        QRegularExpression::MultilineOption);
    return named.remove(layoutName).toUtf8();
}

std::uint32_t milliseconds()
{
    return std::uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

} // namespace

VirtualKeyboardKeySynthesizer::VirtualKeyboardKeySynthesizer(WaylandConnection &connection)
    : m_connection(connection)
    , m_seat(connection.bind(wl_seat_interface, 1, wl_seat_destroy))
    , m_manager(connection.bind(
          zwp_virtual_keyboard_manager_v1_interface, 1, zwp_virtual_keyboard_manager_v1_destroy))
    , m_keyboard(nullptr, zwp_virtual_keyboard_v1_destroy)
    , m_state(nullptr, xkb_state_unref)
{
    if (!m_seat || !m_manager)
        return;
    const auto keymap = usKeymap();
    if (!keymap) {
        qCWarning(lcVirtualKeyboard) << "cannot make the virtual keyboard's keymap";
        return;
    }
    m_state.reset(xkb_state_new(keymap.get()));
    m_keyboard.reset(zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(m_manager.get(), m_seat.get()));
    // The compositor refuses a keyboard (unauthorized) by closing the connection: the round trip says so.
    if (!m_state || !sendKeymap(unnamedText(keymap.get())) || !m_connection.roundtrip()) {
        qCWarning(lcVirtualKeyboard) << "the compositor did not take a virtual keyboard";
        m_keyboard.reset();
    }
}

bool VirtualKeyboardKeySynthesizer::sendKeymap(const QByteArray &text)
{
    // The compositor maps the text, NUL included.
    const auto size = std::size_t(text.size()) + 1;
    const int fd = memfd_create("quillbox-keymap", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = ::ftruncate(fd, off_t(size)) == 0 && ::pwrite(fd, text.constData(), size, 0) == ssize_t(size);
    if (written)
        zwp_virtual_keyboard_v1_keymap(m_keyboard.get(), WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, std::uint32_t(size));
    ::close(fd);
    return written;
}

void VirtualKeyboardKeySynthesizer::sendKey(std::uint32_t evdevCode, bool down)
{
    zwp_virtual_keyboard_v1_key(m_keyboard.get(), milliseconds(), evdevCode,
        down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    // A virtual keyboard's keys change no modifiers by themselves: it says which it holds, as the
    // compositor's own keyboards do after each key.
    const xkb_state_component changed
        = xkb_state_update_key(m_state.get(), evdevCode + evdevOffset, down ? XKB_KEY_DOWN : XKB_KEY_UP);
    if (changed & (XKB_STATE_MODS_DEPRESSED | XKB_STATE_MODS_LATCHED | XKB_STATE_MODS_LOCKED)) {
        zwp_virtual_keyboard_v1_modifiers(m_keyboard.get(),
            xkb_state_serialize_mods(m_state.get(), XKB_STATE_MODS_DEPRESSED),
            xkb_state_serialize_mods(m_state.get(), XKB_STATE_MODS_LATCHED),
            xkb_state_serialize_mods(m_state.get(), XKB_STATE_MODS_LOCKED),
            xkb_state_serialize_layout(m_state.get(), XKB_STATE_LAYOUT_EFFECTIVE));
    }
}

bool VirtualKeyboardKeySynthesizer::sendChord(int keyPosition, std::uint32_t modifiers)
{
    const std::optional<EvdevChord> chord = EvdevChord::of(keyPosition, modifiers);
    if (!isAvailable() || !chord)
        return false;
    for (const std::uint32_t modifier : chord->modifiers)
        sendKey(modifier, true);
    sendKey(chord->key, true);
    sendKey(chord->key, false);
    for (auto modifier = chord->modifiers.rbegin(); modifier != chord->modifiers.rend(); ++modifier)
        sendKey(*modifier, false);
    // The round trip tells a connection the compositor closed from one that took the keys.
    return m_connection.roundtrip();
}
