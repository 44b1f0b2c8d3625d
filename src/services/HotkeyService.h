#pragma once

#include "KeyCombo.h"

#include <cstdint>
#include <functional>
#include <map>

class HotkeyGrabber;

/// Packs a four-character code the usual way: the first character in the most significant byte.
constexpr std::uint32_t fourCharCode(const char (&code)[5])
{
    return std::uint32_t(std::uint8_t(code[0])) << 24 | std::uint32_t(std::uint8_t(code[1])) << 16
        | std::uint32_t(std::uint8_t(code[2])) << 8 | std::uint32_t(std::uint8_t(code[3]));
}

/// Global hotkeys under small numeric ids, each with the action to run when it is pressed.
/// GUI thread only. Every change is reported as a line on standard output.
class HotkeyService {
public:
    using Handler = std::function<void()>;

    /// Becomes shared() and starts listening to `grabber`, which must outlive this service.
    explicit HotkeyService(HotkeyGrabber &grabber);
    ~HotkeyService();
    HotkeyService(const HotkeyService &) = delete;
    HotkeyService &operator=(const HotkeyService &) = delete;

    /// The most recently constructed service still alive, if any.
    static HotkeyService *shared();

    /// Registers `combo` under `id`, replacing whatever `id` had. When the desktop refuses the
    /// combination, `id` is left with neither a hotkey nor a handler. The signature identifies the
    /// caller only; dispatch goes by id.
    void registerHotkey(std::uint32_t id, std::uint32_t signature, const KeyCombo &combo, Handler handler);
    /// Releases `id` and its handler; an id without a registration is left alone, silently.
    void unregister(std::uint32_t id);
    /// Releases every registration and drops every handler.
    void unregister();

    /// Lets go of every grab but keeps the registrations, so that their keys reach the focused window
    /// (the shortcut recorder must see Super+Shift+V, not open the panel); resumeGrabs() takes them
    /// back. One that another client took in the meantime is dropped, with the failure line.
    void suspendGrabs();
    void resumeGrabs();
    bool isSuspended() const { return m_isSuspended; }
    /// Whether the desktop gives `combo` now: grabbed under a scratch id and released at once.
    /// \return HotkeyGrabber::success, or why it was refused.
    int probe(const KeyCombo &combo);

    bool isRegistered(std::uint32_t id) const { return m_hotKeyRefs.contains(id); }
    bool hasHandler(std::uint32_t id) const { return m_handlers.contains(id); }

private:
    void installHandler();
    static void dispatch(std::uint32_t id);
    /// Grabs `combo` under `id`; the grabber's status.
    int grab(std::uint32_t id, const KeyCombo &combo);

    HotkeyGrabber &m_grabber;
    std::map<std::uint32_t, KeyCombo> m_hotKeyRefs;
    std::map<std::uint32_t, Handler> m_handlers;
    bool m_handlerInstalled = false;
    bool m_isSuspended = false;
};
