#include "KeyChord.h"

#include <QHash>
#include <QStringList>

#include <linux/input-event-codes.h>
#include <memory>
#include <xkbcommon/xkbcommon.h>

namespace {

// evdev codes are xkb keycodes less 8.
constexpr unsigned evdevOffset = 8;

xkb_keymap *usKeymap()
{
    struct Keymap {
        std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context { xkb_context_new(XKB_CONTEXT_NO_FLAGS),
            &xkb_context_unref };
        std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap { nullptr, &xkb_keymap_unref };
        Keymap()
        {
            const xkb_rule_names names { "evdev", "pc105", "us", "", "" };
            if (context)
                keymap.reset(xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
        }
    };
    static const Keymap us;
    return us.keymap.get();
}

struct Position {
    xkb_keycode_t keycode = 0;
    xkb_level_index_t level = 0;
};

// The key that types `keysym` with the fewest modifiers: a level-0 match wins over a shifted one.
std::optional<Position> positionOf(xkb_keysym_t keysym)
{
    xkb_keymap *keymap = usKeymap();
    if (!keymap)
        return std::nullopt;
    for (xkb_level_index_t level = 0; level < 2; ++level) {
        for (xkb_keycode_t keycode = xkb_keymap_min_keycode(keymap);
             keycode <= xkb_keymap_max_keycode(keymap); ++keycode) {
            const xkb_keysym_t *syms = nullptr;
            const int count = xkb_keymap_key_get_syms_by_level(keymap, keycode, 0, level, &syms);
            if (count == 1 && syms[0] == keysym)
                return Position { keycode, level };
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<KeyChord> KeyChord::parse(const QString &chord)
{
    static const QHash<QString, unsigned> modifierKeys { { QStringLiteral("ctrl"), KEY_LEFTCTRL },
        { QStringLiteral("control"), KEY_LEFTCTRL }, { QStringLiteral("shift"), KEY_LEFTSHIFT },
        { QStringLiteral("alt"), KEY_LEFTALT }, { QStringLiteral("super"), KEY_LEFTMETA } };

    const QStringList parts = chord.split(u'+');
    KeyChord result;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const auto modifier = modifierKeys.constFind(parts[i].trimmed().toLower());
        if (modifier == modifierKeys.cend())
            return std::nullopt;
        if (!result.modifiers.contains(*modifier))
            result.modifiers.append(*modifier);
    }

    // A modifier on its own ("shift") is a key too.
    if (const auto alone = modifierKeys.constFind(parts.last().trimmed().toLower()); alone != modifierKeys.cend()) {
        result.key = *alone;
        return result;
    }
    const QByteArray name = parts.last().trimmed().toUtf8();
    xkb_keysym_t keysym = xkb_keysym_from_name(name.constData(), XKB_KEYSYM_NO_FLAGS);
    if (keysym == XKB_KEY_NoSymbol)
        keysym = xkb_keysym_from_name(name.constData(), XKB_KEYSYM_CASE_INSENSITIVE);
    const std::optional<Position> position = keysym == XKB_KEY_NoSymbol ? std::nullopt : positionOf(keysym);
    if (!position)
        return std::nullopt;
    if (position->level == 1 && !result.modifiers.contains(KEY_LEFTSHIFT))
        result.modifiers.append(KEY_LEFTSHIFT);
    result.key = position->keycode - evdevOffset;
    return result;
}
