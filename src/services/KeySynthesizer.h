#pragma once

#include <QString>

#include <cstdint>
#include <functional>

/// Synthetic key presses into whatever window has the keyboard focus.
class KeySynthesizer {
public:
    virtual ~KeySynthesizer() = default;

    /// What the key events go through, as the paste log names it ("XTest", "virtual keyboard").
    virtual QString mechanism() const = 0;

    /// Whether the display server accepts synthetic key events (on X11: the XTest extension is present).
    virtual bool isAvailable() const = 0;
    /// Whether there is a display connection to send them over.
    virtual bool hasConnection() const = 0;
    /// Whether a chord went out: false when its key events could not be made (nothing was sent).
    using ChordSent = std::function<void(bool sent)>;

    /// Presses and releases the key at `keyPosition` (a KeyPositions code, e.g. V = 9) with exactly
    /// `modifiers` (KeyCombo's bits) down. Modifiers the user still holds are released first, so the
    /// target sees no others. Never waits: `sent` runs once, on this thread, when the chord has gone
    /// out or failed; in-process implementations run it before returning, one that starts a program
    /// when the program ends (a hung one is killed at a short deadline). A synthesizer destroyed
    /// first drops it.
    virtual void pressChord(int keyPosition, std::uint32_t modifiers, ChordSent sent) = 0;
    /// Whether the key at `keyPosition`, or any key of the `modifiers`, is held down now. While a
    /// global hotkey's key is down the program holds the keyboard grab, and every key it sends comes
    /// back to itself instead of reaching the focused window.
    virtual bool isAnyKeyDown(int keyPosition, std::uint32_t modifiers) const = 0;
};
