#include "GnomeKeySynthesizer.h"

#include "GnomeShell.h"
#include "services/KeyCombo.h"

GnomeKeySynthesizer::GnomeKeySynthesizer(GnomeShell &shell)
    : m_shell(shell)
{
}

QString GnomeKeySynthesizer::chordName(int keyPosition, std::uint32_t modifiers)
{
    struct Chord {
        KeyCombo combo;
        const char *name;
    };
    static constexpr Chord chords[] = {
        {{9, KeyCombo::controlKey}, "paste"},
        {{9, KeyCombo::controlKey | KeyCombo::shiftKey}, "terminal-paste"},
        {{0x72, KeyCombo::shiftKey}, "shift-insert"},
        {{8, KeyCombo::controlKey}, "copy"},
    };
    const KeyCombo wanted{std::uint32_t(keyPosition), modifiers & KeyCombo::modifierMask};
    for (const Chord &chord : chords) {
        if (chord.combo == wanted)
            return QLatin1String(chord.name);
    }
    return {};
}

bool GnomeKeySynthesizer::isAvailable() const
{
    // The backend is chosen because the extension serves; its registration may still be under way.
    return m_shell.state() != GnomeShell::State::refused;
}

bool GnomeKeySynthesizer::hasConnection() const
{
    return m_shell.bus().isConnected();
}

void GnomeKeySynthesizer::pressChord(int keyPosition, std::uint32_t modifiers, ChordSent sent)
{
    const QString chord = chordName(keyPosition, modifiers);
    if (chord.isEmpty()) {
        sent(false);
        return;
    }
    m_shell.call(QStringLiteral("TypeChord"), {chord}, &m_answers, [sent = std::move(sent)](const QDBusMessage &reply) {
        sent(reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool());
    });
}
