#include "GnomeWorkspace.h"

#include "GnomeShell.h"

#include <QLoggingCategory>
#include <QTimer>

#include <algorithm>

namespace {

Q_LOGGING_CATEGORY(lcWorkspace, "quillbox.gnome", QtInfoMsg)

constexpr qsizetype maxRememberedWindows = 64;

} // namespace

GnomeWorkspace::GnomeWorkspace(GnomeShell &shell, QObject *parent)
    : QObject(parent)
    , m_shell(shell)
{
}

quint32 GnomeWorkspace::windowNumber(quint64 shellId) const
{
    const auto known = std::find_if(m_windowIds.begin(), m_windowIds.end(),
        [shellId](const std::pair<quint32, quint64> &window) { return window.second == shellId; });
    const quint32 number = known != m_windowIds.end() ? known->first : m_nextNumber++;
    if (known != m_windowIds.end())
        m_windowIds.erase(known);
    m_windowIds.append({number, shellId});
    if (m_windowIds.size() > maxRememberedWindows)
        m_windowIds.removeFirst();
    return number;
}

std::optional<RunningApplication> GnomeWorkspace::frontmostApplication() const
{
    const GnomeShell::FocusedWindow &focused = m_shell.focusedWindow();
    if (focused.id == 0)
        return std::nullopt;
    // The Shell's tracker knows a window's desktop entry better than its class does.
    RunningApplication application = m_desktopEntries.application(focused.wmClass, focused.appId);
    if (application.windowClass.isEmpty())
        return std::nullopt;
    if (!m_desktopEntries.find(focused.wmClass, focused.appId) && !focused.appName.isEmpty())
        application.localizedName = focused.appName;
    application.windowId = windowNumber(focused.id);
    application.processIdentifier = focused.pid;
    return application;
}

void GnomeWorkspace::activate(const RunningApplication &application)
{
    const auto known = std::find_if(m_windowIds.cbegin(), m_windowIds.cend(),
        [&application](const std::pair<quint32, quint64> &window) { return window.first == application.windowId; });
    if (known == m_windowIds.cend())
        return;
    m_shell.call(QStringLiteral("ActivateWindow"), {QVariant::fromValue<qulonglong>(known->second)}, this,
        [this](const QDBusMessage &) { m_shell.refreshFocus(this, {}); });
}

void GnomeWorkspace::activatePanel()
{
    askPanelActivation(panelAttempts);
}

void GnomeWorkspace::askPanelActivation(int attemptsLeft)
{
    m_shell.call(QStringLiteral("ActivatePanel"), {}, this, [this, attemptsLeft](const QDBusMessage &reply) {
        if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool())
            return;
        if (attemptsLeft > 1 && m_shell.isRegistered()) {
            QTimer::singleShot(panelRetryMs, this, [this, attemptsLeft] { askPanelActivation(attemptsLeft - 1); });
            return;
        }
        qCWarning(lcWorkspace) << "GNOME Shell did not activate the panel" << reply.errorMessage();
    });
}
