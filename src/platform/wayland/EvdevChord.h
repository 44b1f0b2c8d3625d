#pragma once

#include <cstdint>
#include <optional>
#include <vector>

/// A chord as the keys a Wayland keyboard sends, in evdev codes: the modifiers' left keys, pressed in
/// this order and released in the reverse one, around the key.
struct EvdevChord {
    std::vector<std::uint32_t> modifiers;
    std::uint32_t key = 0;

    /// The chord of the key at `keyPosition` (a KeyPositions code) with KeyCombo's `modifiers`;
    /// nothing for a position no key has.
    static std::optional<EvdevChord> of(int keyPosition, std::uint32_t modifiers);
};
