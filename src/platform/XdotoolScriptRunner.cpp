#include "XdotoolScriptRunner.h"

#include <QDeadlineTimer>
#include <QProcess>
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

/// The first installed program that can type into the current session, or an empty program.
Command pasteCommand(const QProcessEnvironment &environment)
{
    if (!environment.value(QStringLiteral("DISPLAY")).isEmpty()) {
        if (QString xdotool = findProgram(environment, QStringLiteral("xdotool")); !xdotool.isEmpty())
            return {std::move(xdotool),
                {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("ctrl+v")}};
    }
    if (!environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty()) {
        if (QString wtype = findProgram(environment, QStringLiteral("wtype")); !wtype.isEmpty())
            return {std::move(wtype),
                {QStringLiteral("-M"), QStringLiteral("ctrl"), QStringLiteral("v"), QStringLiteral("-m"),
                    QStringLiteral("ctrl")}};
        // ydotool speaks evdev codes: 29 is the left Control key, 47 the V key.
        if (QString ydotool = findProgram(environment, QStringLiteral("ydotool")); !ydotool.isEmpty())
            return {std::move(ydotool),
                {QStringLiteral("key"), QStringLiteral("29:1"), QStringLiteral("47:1"), QStringLiteral("47:0"),
                    QStringLiteral("29:0")}};
    }
    return {};
}

} // namespace

XdotoolScriptRunner::XdotoolScriptRunner(int timeoutMs, QProcessEnvironment environment)
    : m_timeoutMs(timeoutMs)
    , m_environment(std::move(environment))
{
}

ScriptRunner::Result XdotoolScriptRunner::runPaste()
{
    const Command command = pasteCommand(m_environment);
    if (command.program.isEmpty())
        return {false, QStringLiteral("not installed")};

    const QDeadlineTimer deadline(m_timeoutMs);
    QProcess process;
    process.setProcessEnvironment(m_environment);
    process.start(command.program, command.arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(int(deadline.remainingTime())))
        return {false, process.errorString()};
    if (!process.waitForFinished(int(deadline.remainingTime()))) {
        process.kill();
        process.waitForFinished(100);
        return {false, QStringLiteral("%1 did not finish within %2 ms").arg(command.program).arg(m_timeoutMs)};
    }
    if (process.exitStatus() != QProcess::NormalExit)
        return {false, QStringLiteral("%1 crashed").arg(command.program)};
    if (process.exitCode() != 0) {
        const QString output = QString::fromUtf8(process.readAllStandardError()).trimmed();
        return {false,
            output.isEmpty() ? QStringLiteral("%1 exited with code %2").arg(command.program).arg(process.exitCode())
                             : output};
    }
    return {true, {}};
}
