#include "WtypeKeySynthesizer.h"

#include "WaylandSession.h"
#include "platform/XdotoolScriptRunner.h"
#include "services/KeyCombo.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>

#include <utility>

WtypeKeySynthesizer::WtypeKeySynthesizer(int timeoutMs, QProcessEnvironment environment)
    : m_timeoutMs(timeoutMs)
    , m_environment(std::move(environment))
{
    m_program = QStandardPaths::findExecutable(
        QStringLiteral("wtype"), m_environment.value(QStringLiteral("PATH")).split(u':', Qt::SkipEmptyParts));
    const auto globals = waylandGlobals(m_environment.value(QStringLiteral("WAYLAND_DISPLAY")).toLocal8Bit());
    m_connected = globals.has_value();
    m_virtualKeyboard = globals && globals->contains(QStringLiteral("zwp_virtual_keyboard_manager_v1"));
}

bool WtypeKeySynthesizer::pressChord(int keyPosition, std::uint32_t modifiers)
{
    if (!isAvailable())
        return false;
    const QDeadlineTimer deadline(m_timeoutMs);
    QProcess process;
    process.setProcessEnvironment(m_environment);
    process.start(m_program, XdotoolScriptRunner::wtypeArguments(KeyCombo{std::uint32_t(keyPosition), modifiers}));
    if (!process.waitForFinished(int(deadline.remainingTime()))) {
        process.kill();
        process.waitForFinished(100);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
