#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

/// A global key combination: a key position (KeyPositions' codes, e.g. V = 9) and a modifier mask
/// in the Carbon hot-key convention, which is also the stored form's convention.
struct KeyCombo {
    static constexpr std::uint32_t cmdKey = 0x100; // Super
    static constexpr std::uint32_t shiftKey = 0x200;
    static constexpr std::uint32_t optionKey = 0x800; // Alt
    static constexpr std::uint32_t controlKey = 0x1000;
    /// The only bits with meaning; any other bit is ignored when registering and displaying.
    static constexpr std::uint32_t modifierMask = cmdKey | shiftKey | optionKey | controlKey;

    std::uint32_t keyCode = 0;
    std::uint32_t modifiers = 0;

    /// Super+Shift+V, the panel's combination when none (or nothing readable) is stored.
    static constexpr KeyCombo defaultCombo() { return {9, cmdKey | shiftKey}; }

    /// "⌘ ⇧ ⌥ ⌃ V": the glyphs of the set modifier bits, then the key's name if it has one.
    QString displayString() const;
    static std::optional<QString> keyCodeToString(std::uint32_t keyCode);
    /// The letter or digit on the key at X keycode `xKeycode` (upper case), or nothing for any other
    /// key: the keys a desktop's shortcut service can be told by name.
    static std::optional<QChar> characterOfXKeycode(std::uint32_t xKeycode);

    /// The combination as xdotool and xkb spell it: lower-case modifiers, then the key's name, joined
    /// by "+" ("ctrl+shift+v", "shift+Insert"). Only letters, digits and Insert are named this way;
    /// for any other key the text is empty.
    QString keysText() const;
    /// The combination spelled as keysText() does (case ignored; "control" is also Control), or
    /// nothing.
    static std::optional<KeyCombo> fromKeysText(const QString &text);

    /// Compact JSON: {"keyCode":9,"modifiers":768}.
    QByteArray toJson() const;
    /// The combination in `json`, or nothing unless it is an object with both members as unsigned
    /// 32-bit integers (other members are ignored).
    static std::optional<KeyCombo> fromJson(const QByteArray &json);
    /// As fromJson, falling back to defaultCombo(): silently when nothing readable is stored (empty bytes
    /// stand for an absent value), with a log line when the stored combination is not acceptable.
    static KeyCombo fromStored(const QByteArray &json);

    /// Whether the combination may be grabbed for the whole desktop: it holds Super, Alt or Control (a
    /// bare or a shifted key would be taken away from everyone's typing) and its key has a position.
    bool isAcceptableGlobalCombination() const;

    friend bool operator==(const KeyCombo &, const KeyCombo &) = default;
};
