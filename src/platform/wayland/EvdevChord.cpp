#include "EvdevChord.h"

#include "services/KeyCombo.h"
#include "services/KeyPositions.h"

#include <array>
#include <linux/input-event-codes.h>

std::optional<EvdevChord> EvdevChord::of(int keyPosition, std::uint32_t modifiers)
{
    const std::optional<int> key = KeyPositions::evdevCode(keyPosition);
    if (!key)
        return std::nullopt;
    struct ModifierKey {
        std::uint32_t bit;
        std::uint32_t evdev;
    };
    constexpr std::array<ModifierKey, 4> modifierKeys{{{KeyCombo::controlKey, KEY_LEFTCTRL},
        {KeyCombo::shiftKey, KEY_LEFTSHIFT}, {KeyCombo::optionKey, KEY_LEFTALT}, {KeyCombo::cmdKey, KEY_LEFTMETA}}};
    EvdevChord chord;
    chord.key = std::uint32_t(*key);
    for (const ModifierKey &modifier : modifierKeys) {
        if (modifiers & modifier.bit)
            chord.modifiers.push_back(modifier.evdev);
    }
    return chord;
}
