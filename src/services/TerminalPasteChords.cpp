#include "TerminalPasteChords.h"

#include <QLoggingCategory>
#include <QRegularExpression>

namespace {

Q_LOGGING_CATEGORY(lcTerminals, "quillbox.terminals", QtInfoMsg)

// Checked against each program's default key bindings; xterm, URxvt and st also by sending the
// chord to a running one.
constexpr std::pair<const char *, const char *> builtIn[] = {
    {"XTerm", "shift+Insert"},
    {"UXTerm", "shift+Insert"},
    {"URxvt", "ctrl+alt+v"},
    {"st-256color", "ctrl+shift+v"},
    {"Gnome-terminal", "ctrl+shift+v"},
    {"konsole", "ctrl+shift+v"},
    {"Xfce4-terminal", "ctrl+shift+v"},
    {"Mate-terminal", "ctrl+shift+v"},
    {"Lxterminal", "ctrl+shift+v"},
    {"Tilix", "ctrl+shift+v"},
    {"Terminator", "ctrl+shift+v"},
    {"Alacritty", "ctrl+shift+v"},
    {"kitty", "ctrl+shift+v"},
    {"org.wezfurlong.wezterm", "ctrl+shift+v"},
    // Wayland app ids where they differ from the X11 class (foot: its foot.ini defaults).
    {"foot", "ctrl+shift+v"},
    {"footclient", "ctrl+shift+v"},
    {"org.gnome.Terminal", "ctrl+shift+v"},
    {"org.kde.konsole", "ctrl+shift+v"},
};

constexpr KeyCombo shiftInsert{0x72, KeyCombo::shiftKey};

} // namespace

TerminalPasteChords::TerminalPasteChords(const QString &userEntries)
{
    for (const auto &[windowClass, chord] : builtIn)
        m_chords.insert(QString::fromLatin1(windowClass).toLower(), *KeyCombo::fromKeysText(QLatin1String(chord)));
    for (const QString &entry : userEntries.split(QRegularExpression(QStringLiteral("[;,]")), Qt::SkipEmptyParts)) {
        if (entry.trimmed().isEmpty())
            continue;
        const qsizetype colon = entry.indexOf(u':');
        const QString windowClass = entry.left(colon).trimmed();
        const auto chord = colon < 0 ? std::nullopt : KeyCombo::fromKeysText(entry.mid(colon + 1));
        if (windowClass.isEmpty() || !chord) {
            qCWarning(lcTerminals).noquote() << "Ignoring terminalPasteChords entry" << entry.trimmed()
                                             << "(expected Class:chord, e.g. MyTerm:ctrl+shift+v)";
            continue;
        }
        m_chords.insert(windowClass.toLower(), *chord);
    }
}

std::optional<TerminalPasteChords::Terminal> TerminalPasteChords::find(const QString &windowClass) const
{
    const auto chord = m_chords.constFind(windowClass.toLower());
    if (chord == m_chords.cend())
        return std::nullopt;
    return Terminal{*chord, *chord == shiftInsert};
}
