#pragma once

#include "capture/Workspace.h"
#include "platform/DesktopEntryIndex.h"

#include <QList>
#include <QObject>

#include <utility>

class GnomeShell;

/// The focused window's application under GNOME on Wayland, as Quillbox's Shell extension reports it.
/// Answers come from the Shell's last report, which is asked for with every copy and every shortcut
/// press, and after every activation, so nothing waits on the Shell. GUI thread only.
class GnomeWorkspace : public QObject, public Workspace {
    Q_OBJECT
public:
    /// How often, and how long apart, the panel's activation is asked for while the Shell does not find
    /// the panel's window yet: its first frame and the call travel separately.
    static constexpr int panelAttempts = 5;
    static constexpr int panelRetryMs = 60;

    explicit GnomeWorkspace(GnomeShell &shell, QObject *parent = nullptr);

    std::optional<RunningApplication> frontmostApplication() const override;
    void activate(const RunningApplication &application) override;
    void activatePanel() override;

private:
    void askPanelActivation(int attemptsLeft);
    /// The Shell's 64-bit window id as the history's number for it.
    quint32 windowNumber(quint64 shellId) const;

    GnomeShell &m_shell;
    /// The Shell's window ids by the history's numbers, newest last; only recent ones can be asked for.
    mutable QList<std::pair<quint32, quint64>> m_windowIds;
    mutable quint32 m_nextNumber = 1;
    DesktopEntryIndex m_desktopEntries;
};
