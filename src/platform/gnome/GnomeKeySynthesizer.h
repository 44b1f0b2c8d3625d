#pragma once

#include "services/KeySynthesizer.h"

#include <QObject>

class GnomeShell;

/// Key chords typed by the Shell's own virtual keyboard, through Quillbox's extension. The extension
/// types only the chords of a paste and of a copy, each into the window it was meant for, so no other
/// chord is ever sent. Not a QObject's child: answers the Shell gives after its end are dropped.
class GnomeKeySynthesizer : public KeySynthesizer {
public:
    explicit GnomeKeySynthesizer(GnomeShell &shell);

    /// The extension's name for the chord of `keyPosition` with exactly `modifiers`; empty when it has none.
    static QString chordName(int keyPosition, std::uint32_t modifiers);

    QString mechanism() const override { return QStringLiteral("GNOME Shell"); }
    /// The extension has not refused this program.
    bool isAvailable() const override;
    bool hasConnection() const override;
    /// `sent` runs once the Shell answered; at once with false for a chord it does not type.
    void pressChord(int keyPosition, std::uint32_t modifiers, ChordSent sent) override;
    /// The Shell's keyboard presses the chord's own modifiers around its key.
    bool isAnyKeyDown(int, std::uint32_t) const override { return false; }

private:
    GnomeShell &m_shell;
    QObject m_answers;
};
