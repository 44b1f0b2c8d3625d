#pragma once

#include "LayoutInfo.h"

#include <QChar>
#include <QList>

#include <functional>
#include <optional>

/// The keyboard layouts the user has enabled, and what each key types in them.
class KeyboardLayouts {
public:
    /// What the key at a Quillbox key position (0-127) types with Shift up or down: one UTF-16 unit,
    /// or nothing. Dead keys give their visible accent; a key whose character lies above U+FFFF
    /// gives nothing, as its first unit would be a lone surrogate half.
    using KeyTable = std::function<std::optional<QChar>(int keyCode, bool shift)>;

    virtual ~KeyboardLayouts() = default;

    /// The enabled layouts in the desktop's order. Layouts without an id or a name are left out.
    virtual QList<LayoutInfo> layouts() const = 0;
    /// The key table of `layout` (matched by id), or an empty function when it has no key data.
    virtual KeyTable keyTable(const LayoutInfo &layout) const = 0;
};
