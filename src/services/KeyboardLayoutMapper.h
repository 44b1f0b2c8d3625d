#pragma once

#include "LayoutInfo.h"

#include <QChar>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

class KeyboardLayouts;

/// A physical key with or without Shift, by Quillbox key position.
struct KeyStroke {
    quint16 keyCode = 0;
    bool shift = false;

    friend bool operator==(const KeyStroke &, const KeyStroke &) = default;
};

/// Which keys type which characters in the enabled layouts, and text retyped in another layout.
/// Holds nothing: every call asks `layouts` afresh and rebuilds its maps. Never fails loudly.
class KeyboardLayoutMapper {
public:
    KeyboardLayoutMapper() = delete;

    static QList<LayoutInfo> installedLayouts(const KeyboardLayouts &layouts);

    /// Key text ("12-0", "12-1": key position, hyphen, Shift) to the character that key types, for key
    /// positions 0-127 unshifted and with Shift. Empty when the layout has no key data.
    static QHash<QString, QChar> keyCodeToCharacterMap(const LayoutInfo &layout, const KeyboardLayouts &layouts);

    /// Character to the key that types it; where several do, the lowest key position, unshifted before
    /// Shift. Keys are in canonical form: look characters up through canonicalCharacter().
    static QHash<QString, KeyStroke> characterToKeyCodeMap(const LayoutInfo &layout, const KeyboardLayouts &layouts);

    /// `text` as the same keystrokes would have typed it in `to` after being typed in `from`.
    /// Space, tab and line feed stay; characters `from` cannot type, or whose key types nothing in
    /// `to`, stay unchanged. Nothing for an empty text.
    static std::optional<QString> convert(
        const QString &text, const LayoutInfo &from, const LayoutInfo &to, const KeyboardLayouts &layouts);

    /// The form under which characterToKeyCodeMap() stores a character, so that canonically equivalent
    /// spellings ("é" precomposed or as e + U+0301) find the same key.
    static QString canonicalCharacter(QStringView character);

    static QString keyText(int keyCode, bool shift);
};
