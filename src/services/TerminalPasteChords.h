#pragma once

#include "KeyCombo.h"

#include <QHash>
#include <QString>

#include <optional>

/// How terminal emulators paste, looked up by the class of their window (WM_CLASS). A terminal types
/// Control+V as a literal character: most paste the clipboard with Control+Shift+V, and xterm pastes
/// only the PRIMARY selection, with Shift+Insert. The built-in table covers the common terminals; the
/// user's preference adds to it.
class TerminalPasteChords {
public:
    struct Terminal {
        KeyCombo chord;
        /// Shift+Insert pastes the PRIMARY selection, as in xterm, rather than the clipboard.
        bool pastesPrimary = false;
    };

    /// The built-in table with `userEntries` added: "Class:chord" entries separated by ";" or ",",
    /// chords spelled as KeyCombo::keysText() does, e.g. "MyTerm:ctrl+shift+v;OldTerm:shift+insert".
    /// An entry for a known class replaces its chord.
    /// An entry that cannot be read is left out with a warning.
    explicit TerminalPasteChords(const QString &userEntries = {});

    /// The terminal whose window class is `windowClass` (case ignored), or nothing.
    std::optional<Terminal> find(const QString &windowClass) const;

private:
    QHash<QString, KeyCombo> m_chords; // by the class in lower case
};
