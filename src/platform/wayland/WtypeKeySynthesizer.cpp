#include "WtypeKeySynthesizer.h"

#include "WaylandSession.h"
#include "platform/ProgramRun.h"
#include "platform/XdotoolScriptRunner.h"
#include "services/KeyCombo.h"

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

void WtypeKeySynthesizer::pressChord(int keyPosition, std::uint32_t modifiers, ChordSent sent)
{
    if (!isAvailable()) {
        sent(false);
        return;
    }
    ProgramRun::start(m_runs, m_program,
        XdotoolScriptRunner::wtypeArguments(KeyCombo{std::uint32_t(keyPosition), modifiers}), m_environment,
        m_timeoutMs, [sent = std::move(sent)](const ScriptRunner::Result &result) { sent(result.success); });
}
