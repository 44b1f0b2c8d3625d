#pragma once

#include "WaylandConnection.h"
#include "services/KeySynthesizer.h"

#include <cstdint>
#include <memory>

struct wl_seat;
struct zwp_virtual_keyboard_manager_v1;
struct zwp_virtual_keyboard_v1;
struct xkb_state;

/// Key events through a virtual keyboard of Quillbox's own (sway, labwc, Hyprland and other wlroots
/// compositors offer the protocol), plugged into the seat once and kept there for the session.
///
/// A keyboard that appears in a seat that had none is bound by programs only when they hear of it,
/// which is after the first key it sends: a keyboard made for each paste loses that key. Its keymap is
/// a US one that names no layout, so it never passes for the person's layouts (WaylandKeymap ignores
/// it) though it is the seat's keymap whenever it has typed last. GUI thread only.
class VirtualKeyboardKeySynthesizer : public KeySynthesizer {
public:
    explicit VirtualKeyboardKeySynthesizer(WaylandConnection &connection);

    QString mechanism() const override { return QStringLiteral("virtual keyboard"); }
    /// The compositor took the keyboard and its keymap.
    bool isAvailable() const override { return m_keyboard != nullptr; }
    bool hasConnection() const override { return m_connection.isConnected(); }
    /// In-process and quick: `sent` runs before this returns.
    void pressChord(int keyPosition, std::uint32_t modifiers, ChordSent sent) override
    {
        sent(sendChord(keyPosition, modifiers));
    }
    /// The compositor does not say; the chord's own modifiers are pressed and released around its key.
    bool isAnyKeyDown(int, std::uint32_t) const override { return false; }

private:
    bool sendKeymap(const QByteArray &text);
    bool sendChord(int keyPosition, std::uint32_t modifiers);
    void sendKey(std::uint32_t evdevCode, bool down);

    WaylandConnection &m_connection;
    WaylandConnection::Object<wl_seat> m_seat;
    WaylandConnection::Object<zwp_virtual_keyboard_manager_v1> m_manager;
    WaylandConnection::Object<zwp_virtual_keyboard_v1> m_keyboard;
    /// The keyboard's state as programs see it: which modifiers its keys hold down.
    std::unique_ptr<xkb_state, void (*)(xkb_state *)> m_state;
};
