#include "XdotoolScriptRunner.h"

#include "ProgramRun.h"
#include "services/KeyPositions.h"

#include <QStandardPaths>

#include <utility>

namespace {

struct Command {
    QString program;
    QStringList arguments;
};

QString findProgram(const QProcessEnvironment &environment, const QString &name)
{
    const QStringList path = environment.value(QStringLiteral("PATH")).split(u':', Qt::SkipEmptyParts);
    return QStandardPaths::findExecutable(name, path);
}

// The modifier keys a chord holds, as wtype names them and with the key positions of their left keys.
constexpr struct {
    std::uint32_t bit;
    const char *wtypeName;
    int keyPosition;
} modifierKeys[] = {
    {KeyCombo::controlKey, "ctrl", 0x3B},
    {KeyCombo::shiftKey, "shift", 0x38},
    {KeyCombo::optionKey, "alt", 0x3A},
    {KeyCombo::cmdKey, "logo", 0x37},
};

// ydotool speaks evdev codes, "code:1" for a press and "code:0" for a release.
QStringList ydotoolKeys(const KeyCombo &chord)
{
    QList<int> codes;
    for (const auto &modifier : modifierKeys) {
        if (chord.modifiers & modifier.bit)
            codes.append(*KeyPositions::evdevCode(modifier.keyPosition));
    }
    codes.append(KeyPositions::evdevCode(int(chord.keyCode)).value_or(0));
    QStringList arguments{QStringLiteral("key")};
    for (const int code : codes)
        arguments << QStringLiteral("%1:1").arg(code);
    for (auto it = codes.crbegin(); it != codes.crend(); ++it)
        arguments << QStringLiteral("%1:0").arg(*it);
    return arguments;
}

} // namespace

QStringList XdotoolScriptRunner::wtypeArguments(const KeyCombo &chord)
{
    QStringList presses;
    QStringList releases;
    for (const auto &modifier : modifierKeys) {
        if (chord.modifiers & modifier.bit) {
            presses << QStringLiteral("-M") << QLatin1String(modifier.wtypeName);
            releases << QStringLiteral("-m") << QLatin1String(modifier.wtypeName);
        }
    }
    // Each run makes a new keyboard, which programs bind only once they hear of it: its first key would
    // be lost in a seat that had no keyboard before.
    return QStringList{QStringLiteral("-s"), QStringLiteral("50")} + presses
        + QStringList{QStringLiteral("-k"), chord.keysText().section(u'+', -1)} + releases;
}

namespace {

/// The first installed program that can type into the current session, or an empty program.
Command pasteCommand(const QProcessEnvironment &environment, const KeyCombo &chord)
{
    if (!environment.value(QStringLiteral("DISPLAY")).isEmpty()) {
        if (QString xdotool = findProgram(environment, QStringLiteral("xdotool")); !xdotool.isEmpty())
            return {std::move(xdotool), {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), chord.keysText()}};
    }
    if (!environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty()) {
        if (QString wtype = findProgram(environment, QStringLiteral("wtype")); !wtype.isEmpty())
            return {std::move(wtype), XdotoolScriptRunner::wtypeArguments(chord)};
        if (QString ydotool = findProgram(environment, QStringLiteral("ydotool")); !ydotool.isEmpty())
            return {std::move(ydotool), ydotoolKeys(chord)};
    }
    return {};
}

} // namespace

XdotoolScriptRunner::XdotoolScriptRunner(int timeoutMs, QProcessEnvironment environment)
    : m_timeoutMs(timeoutMs)
    , m_environment(std::move(environment))
{
}

void XdotoolScriptRunner::runPaste(const KeyCombo &chord, Completion done)
{
    const Command command = pasteCommand(m_environment, chord);
    if (command.program.isEmpty()) {
        done({false, QStringLiteral("not installed")});
        return;
    }
    ProgramRun::start(m_runs, command.program, command.arguments, m_environment, m_timeoutMs, std::move(done));
}
