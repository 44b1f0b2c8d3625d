#include "HotkeyBindingInstructions.h"

#include "LanguageSwitchService.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {

const QString mediaKeys = QStringLiteral("org.gnome.settings-daemon.plugins.media-keys");
const QString keybindingFolder = QStringLiteral("/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/");

struct ModifierSpelling {
    std::uint32_t bit;
    const char *sway;
    const char *gnome;
};
constexpr ModifierSpelling modifierSpellings[] = {
    {KeyCombo::cmdKey, "Mod4", "<Super>"},
    {KeyCombo::controlKey, "Ctrl", "<Control>"},
    {KeyCombo::optionKey, "Mod1", "<Alt>"},
    {KeyCombo::shiftKey, "Shift", "<Shift>"},
};

QString keyName(const KeyCombo &combo)
{
    return combo.keysText().section(u'+', -1);
}

QString swayCombo(const KeyCombo &combo)
{
    QStringList parts;
    for (const auto &modifier : modifierSpellings) {
        if (combo.modifiers & modifier.bit)
            parts << QLatin1String(modifier.sway);
    }
    return (parts << keyName(combo)).join(u'+');
}

// sway runs "exec" through sh; GNOME splits its command line the way a shell does.
QString shellQuoted(const QString &word)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./=:-]+$"));
    if (plain.match(word).hasMatch())
        return word;
    return u'\'' + QString(word).replace(u'\'', QLatin1String("'\\''")) + u'\'';
}

QString commandLine(const QString &program, const QStringList &arguments)
{
    QStringList words{shellQuoted(program)};
    for (const QString &argument : arguments)
        words << shellQuoted(argument);
    return words.join(u' ');
}

// A shortcut's folder is named after its arguments, so running the commands again replaces it.
QString keybindingPath(const HotkeyBindingInstructions::Binding &binding)
{
    QString slug = binding.arguments.join(u'-');
    slug.remove(QRegularExpression(QStringLiteral("[^A-Za-z0-9-]")));
    return keybindingFolder + QStringLiteral("quillbox-") + slug + u'/';
}

QString gvariantString(const QString &text)
{
    return u'\'' + QString(text).replace(u'\\', QLatin1String("\\\\")).replace(u'\'', QLatin1String("\\'")) + u'\'';
}

} // namespace

QString HotkeyBindingInstructions::gnomeAccelerator(const KeyCombo &combo)
{
    QString text;
    for (const auto &modifier : modifierSpellings) {
        if (combo.modifiers & modifier.bit)
            text += QLatin1String(modifier.gnome);
    }
    return text + keyName(combo);
}

QList<HotkeyBindingInstructions::Binding> HotkeyBindingInstructions::programBindings(const KeyCombo &panelCombo)
{
    return {{QStringLiteral("Quillbox panel"), panelCombo, {QStringLiteral("--toggle")}},
        {QStringLiteral("Quillbox wrong-layout fix"), LanguageSwitchService::fixCombo, {QStringLiteral("fix-layout")}}};
}

HotkeyBindingInstructions::Command HotkeyBindingInstructions::gnomeReadCommand()
{
    return {QStringLiteral("gsettings"), {QStringLiteral("get"), mediaKeys, QStringLiteral("custom-keybindings")}};
}

HotkeyBindingInstructions::Desktop HotkeyBindingInstructions::sessionDesktop()
{
    return desktopOf(qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
}

HotkeyBindingInstructions::Desktop HotkeyBindingInstructions::desktopOf(const QString &currentDesktop)
{
    for (const QString &name : currentDesktop.split(u':', Qt::SkipEmptyParts)) {
        if (name.compare(QLatin1String("sway"), Qt::CaseInsensitive) == 0)
            return Desktop::sway;
        if (name.compare(QLatin1String("GNOME"), Qt::CaseInsensitive) == 0)
            return Desktop::gnome;
        if (name.compare(QLatin1String("KDE"), Qt::CaseInsensitive) == 0)
            return Desktop::kde;
    }
    return Desktop::other;
}

QStringList HotkeyBindingInstructions::swayConfig(const QList<Binding> &bindings, const QString &program)
{
    QStringList lines;
    for (const Binding &binding : bindings)
        lines << QStringLiteral("bindsym --to-code %1 exec %2")
                     .arg(swayCombo(binding.combo), commandLine(program, binding.arguments));
    lines << QStringLiteral(
        "for_window [app_id=\"io.quillbox.Quillbox\" title=\"^Quillbox$\"] floating enable, move position center");
    return lines;
}

QList<HotkeyBindingInstructions::Command> HotkeyBindingInstructions::gnomeCommands(
    const QList<Binding> &bindings, const QString &program, const QString &existingPaths)
{
    static const QRegularExpression quoted(QStringLiteral("'([^']*)'"));
    QStringList paths;
    for (auto it = quoted.globalMatch(existingPaths); it.hasNext();)
        paths << it.next().captured(1);
    QList<Command> commands;
    const QString gsettings = QStringLiteral("gsettings");
    for (const Binding &binding : bindings) {
        const QString path = keybindingPath(binding);
        if (!paths.contains(path))
            paths << path;
        const QString schema = mediaKeys + QStringLiteral(".custom-keybinding:") + path;
        commands << Command{gsettings, {QStringLiteral("set"), schema, QStringLiteral("name"), binding.name}}
                 << Command{gsettings,
                        {QStringLiteral("set"), schema, QStringLiteral("command"),
                            commandLine(program, binding.arguments)}}
                 << Command{gsettings,
                        {QStringLiteral("set"), schema, QStringLiteral("binding"), gnomeAccelerator(binding.combo)}};
    }
    QStringList list;
    for (const QString &path : paths)
        list << gvariantString(path);
    commands.prepend(Command{gsettings,
        {QStringLiteral("set"), mediaKeys, QStringLiteral("custom-keybindings"),
            u'[' + list.join(QLatin1String(", ")) + u']'}});
    return commands;
}

QString HotkeyBindingInstructions::text(Desktop desktop, const QList<Binding> &bindings, const QString &program)
{
    if (desktop == Desktop::sway) {
        return QCoreApplication::translate("HotkeyBindingInstructions",
                   "sway does not let programs register global shortcuts. Add these lines to ~/.config/sway/config "
                   "and reload sway (Super+Shift+C):")
            + u'\n' + swayConfig(bindings, program).join(u'\n');
    }
    QStringList lines;
    for (const Binding &binding : bindings)
        lines
            << QStringLiteral("  %1: %2").arg(gnomeAccelerator(binding.combo), commandLine(program, binding.arguments));
    // The line printed at start-up comes before the translators are installed: scripts read it in English.
    const char *where = QT_TRANSLATE_NOOP("HotkeyBindingInstructions",
        "This desktop does not let programs register global shortcuts. Bind these commands to keys in its keyboard "
        "settings:");
    if (desktop == Desktop::gnome)
        where = QT_TRANSLATE_NOOP("HotkeyBindingInstructions",
            "GNOME does not let programs register global shortcuts. Add them under Settings > Keyboard > Custom "
            "Shortcuts (or let Quillbox add them with gsettings):");
    else if (desktop == Desktop::kde)
        where = QT_TRANSLATE_NOOP(
            "HotkeyBindingInstructions", "Add these commands under System Settings > Shortcuts > Custom Shortcuts:");
    return QCoreApplication::translate("HotkeyBindingInstructions", where) + u'\n' + lines.join(u'\n');
}

QString HotkeyBindingInstructions::textForSession(const KeyCombo &panelCombo, const QString &program)
{
    return text(sessionDesktop(), programBindings(panelCombo), program);
}
