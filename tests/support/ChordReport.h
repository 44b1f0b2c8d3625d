#pragma once

#include "services/KeySynthesizer.h"

#include <optional>

/// Presses a chord on a synthesizer that reports before it returns (XTest, KWin's fake input):
/// whether the chord was sent; nothing when it did not report at once.
inline std::optional<bool> pressAtOnce(KeySynthesizer &keys, int keyPosition, std::uint32_t modifiers)
{
    std::optional<bool> reported;
    keys.pressChord(keyPosition, modifiers, [&reported](bool sent) { reported = sent; });
    return reported;
}
