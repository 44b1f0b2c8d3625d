#pragma once

#include <QList>
#include <QString>

#include <optional>

/// A chord as tests name it ("ctrl+shift+v", "Return", "A"), turned into the keys a person presses on
/// a US keyboard, as evdev codes: what a bed types through a keyboard device of its own, whatever
/// layout is active (with Russian active, "ctrl+v" is still the key labelled V).
struct KeyChord {
    /// Held in this order before the key, released after it in reverse order.
    QList<unsigned> modifiers;
    unsigned key = 0;

    /// Modifiers are ctrl (control), shift, alt and super; the key is an xkb keysym name ("v",
    /// "Return", "exclam", "1"). A symbol on the shifted level of its key ("A", "exclam") adds shift.
    /// Empty for a name that is no keysym or a keysym no key of the US layout types.
    static std::optional<KeyChord> parse(const QString &chord);
};
