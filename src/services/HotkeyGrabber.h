#pragma once

#include <cstdint>
#include <functional>
#include <utility>

/// System-wide key grabs, each under a caller-chosen id.
class HotkeyGrabber {
public:
    /// grab() results besides an X error code (e.g. 10, BadAccess: another client holds the combination).
    static constexpr int success = 0;
    static constexpr int badValue = 2; ///< no such key
    static constexpr int unavailable = -1; ///< no X display to grab on

    using PressedCallback = std::function<void(std::uint32_t id)>;

    virtual ~HotkeyGrabber() = default;

    /// Grabs X keycode `keycode` with `modifiers` (KeyCombo's bits) under `id`, for every state of
    /// CapsLock and NumLock. All or nothing: on failure no part of the grab is left held.
    /// \return success, or why the grab was refused.
    virtual int grab(std::uint32_t id, std::uint32_t keycode, std::uint32_t modifiers) = 0;
    /// Releases the grab held under `id`, if any.
    virtual void ungrab(std::uint32_t id) = 0;

    /// Called on the GUI thread, from inside native event processing, when a grabbed combination is
    /// pressed: the callback must not do real work there.
    void setPressedCallback(PressedCallback callback) { m_pressed = std::move(callback); }

protected:
    void notifyPressed(std::uint32_t id) const
    {
        if (m_pressed)
            m_pressed(id);
    }

private:
    PressedCallback m_pressed;
};
