#include "X11KeySynthesizer.h"

#include "QtX11Connection.h"

#include "services/KeyPositions.h"

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <array>
#include <utility>
#include <vector>

namespace {

// The X modifier mapping has eight rows (Shift, Lock, Control, Mod1..Mod5); Lock and Mod2 are latched
// states (CapsLock, NumLock) rather than held keys.
constexpr int lockIndex = 1;
constexpr int mod2Index = 4;
constexpr int modifierCount = 8;

using ModifierKeycodes = std::array<std::vector<xcb_keycode_t>, modifierCount>;

ModifierKeycodes modifierKeycodes(xcb_connection_t *connection)
{
    ModifierKeycodes result;
    XcbReply<xcb_get_modifier_mapping_reply_t> reply(
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr));
    if (!reply)
        return result;
    const xcb_keycode_t *keycodes = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    for (int modifier = 0; modifier < modifierCount; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            if (const xcb_keycode_t keycode = keycodes[modifier * perModifier + i])
                result[std::size_t(modifier)].push_back(keycode);
        }
    }
    return result;
}

using Keymap = XcbReply<xcb_query_keymap_reply_t>;

Keymap queryKeymap(xcb_connection_t *connection)
{
    return Keymap(xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr));
}

bool isDown(const Keymap &keymap, xcb_keycode_t keycode)
{
    return keymap && (keymap->keys[keycode / 8] & (1 << (keycode % 8)));
}

void fakeKey(xcb_connection_t *connection, std::uint8_t type, xcb_keycode_t keycode)
{
    xcb_test_fake_input(connection, type, keycode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

} // namespace

X11KeySynthesizer::X11KeySynthesizer()
{
    if (const auto x11 = QtX11Connection::get()) {
        m_connection = x11->connection;
        const xcb_query_extension_reply_t *extension = xcb_get_extension_data(m_connection, &xcb_test_id);
        m_xtest = extension && extension->present;
    }
}

bool X11KeySynthesizer::isAvailable() const
{
    return m_xtest;
}

bool X11KeySynthesizer::hasConnection() const
{
    return m_connection != nullptr;
}

bool X11KeySynthesizer::sendChord(int keyPosition, std::uint32_t modifiers)
{
    if (!m_connection || !m_xtest)
        return false;
    const auto evdev = KeyPositions::evdevCode(keyPosition);
    if (!evdev)
        return false;
    const auto keycode = xcb_keycode_t(*evdev + KeyPositions::xKeycodeOffset);
    const ModifierKeycodes mapping = modifierKeycodes(m_connection);

    // Bit i of an X modifier mask is row i of the modifier mapping.
    const std::uint16_t mask = xModifierMask(modifiers);
    std::vector<xcb_keycode_t> chordModifiers;
    for (int index = 0; index < modifierCount; ++index) {
        if (!(mask & (1 << index)))
            continue;
        if (mapping[std::size_t(index)].empty())
            return false;
        chordModifiers.push_back(mapping[std::size_t(index)].front());
    }

    // A modifier the user still holds (Super+Shift right after the hotkey) would turn Ctrl+V into
    // Ctrl+Shift+Super+V, which pastes nothing. Lock and Mod2 are latched states (CapsLock, NumLock),
    // not held keys, and do not disturb shortcuts.
    const Keymap keymap = queryKeymap(m_connection);
    for (int modifier = 0; modifier < modifierCount; ++modifier) {
        if (modifier == lockIndex || modifier == mod2Index)
            continue;
        for (const xcb_keycode_t held : mapping[std::size_t(modifier)]) {
            if (isDown(keymap, held))
                fakeKey(m_connection, XCB_KEY_RELEASE, held);
        }
    }

    for (const xcb_keycode_t modifier : chordModifiers)
        fakeKey(m_connection, XCB_KEY_PRESS, modifier);
    fakeKey(m_connection, XCB_KEY_PRESS, keycode);
    fakeKey(m_connection, XCB_KEY_RELEASE, keycode);
    for (auto it = chordModifiers.rbegin(); it != chordModifiers.rend(); ++it)
        fakeKey(m_connection, XCB_KEY_RELEASE, *it);
    xcb_flush(m_connection);
    // The round trip makes the server process the events before the caller's next step.
    XcbReply<xcb_get_input_focus_reply_t> sync(
        xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    return true;
}

bool X11KeySynthesizer::isAnyKeyDown(int keyPosition, std::uint32_t modifiers) const
{
    if (!m_connection)
        return false;
    const Keymap keymap = queryKeymap(m_connection);
    if (const auto evdev = KeyPositions::evdevCode(keyPosition);
        evdev && isDown(keymap, xcb_keycode_t(*evdev + KeyPositions::xKeycodeOffset)))
        return true;
    // Either Shift key, either Super key: whichever the modifier mapping lists.
    const std::uint16_t mask = xModifierMask(modifiers);
    const ModifierKeycodes mapping = modifierKeycodes(m_connection);
    for (int index = 0; index < modifierCount; ++index) {
        if (!(mask & (1 << index)))
            continue;
        for (const xcb_keycode_t keycode : mapping[std::size_t(index)]) {
            if (isDown(keymap, keycode))
                return true;
        }
    }
    return false;
}
