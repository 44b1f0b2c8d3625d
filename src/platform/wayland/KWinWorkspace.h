#pragma once

#include "capture/Workspace.h"
#include "platform/DesktopEntryIndex.h"

#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QList>
#include <QObject>
#include <QTemporaryFile>
#include <QTimer>

#include <optional>
#include <utility>

/// The focused window's application under KWin (KDE Plasma), which tells programs nothing of other
/// programs' windows over Wayland. A KWin script, loaded over D-Bus (org.kde.KWin /Scripting), reports
/// every activation to this object on the session bus, and keeps a call to nextActivation() open for
/// the window to activate. Answers come from the last report, so nothing waits on KWin. While no script
/// runs (KWin refused it or went away) no application is known and activate() does nothing, as where
/// the compositor tells nothing at all. GUI thread only.
class KWinWorkspace : public QObject, public Workspace, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.quillbox.KWinWorkspace")
public:
    /// How long an open nextActivation() call waits before it is answered with no window: KWin's
    /// calls give up after D-Bus's default 25 s, and the script asks again only after an answer.
    static constexpr int idleAnswerMs = 20000;
    /// How long the script may take to report the first time before a log line says it does not.
    static constexpr int firstReportMs = 5000;

    /// KWin's scripting service is on the session bus.
    static bool isServiceAvailable();

    explicit KWinWorkspace(QObject *parent = nullptr);
    /// Unloads the script.
    ~KWinWorkspace() override;
    KWinWorkspace(const KWinWorkspace &) = delete;
    KWinWorkspace &operator=(const KWinWorkspace &) = delete;

    std::optional<RunningApplication> frontmostApplication() const override;
    void activate(const RunningApplication &application) override;

signals:
    /// A report of the script has been taken in.
    void activationReported();

public slots:
    /// From the script, and refused from anyone but KWin: the window that became active (KWin's internalId, empty when none is), its
    /// resource class, desktop-file name and process id.
    Q_SCRIPTABLE void windowActivated(
        const QString &id, const QString &resourceClass, const QString &desktopFileName, const QString &pid);
    /// From the script: answered with the id of the window to activate once there is one.
    Q_SCRIPTABLE QString nextActivation();

private:
    struct Active {
        quint32 windowId = 0;
        QString resourceClass;
        QString desktopFileName;
        qint64 pid = -1;
    };

    void loadScript();
    void forgetWindows();
    /// The call being served comes from KWin, the only program whose reports are believed: another
    /// could otherwise name the window a paste goes to. Refuses it otherwise.
    bool isCalledByKWin();
    void answerActivation(const QString &id);
    quint32 windowIdOf(const QString &internalId);

    QTemporaryFile m_script;
    QDBusServiceWatcher m_kwinWatcher;
    QTimer m_idleAnswer;
    QTimer m_firstReport;
    bool m_reported = false;
    /// KWin's unique name on the bus, empty while it has none.
    QString m_kwinOwner;
    std::optional<Active> m_active;
    std::optional<QDBusMessage> m_openRequest;
    QString m_pendingActivation;
    /// KWin's window ids as the history's numbers, newest last; only the recent ones can be asked for.
    QList<std::pair<quint32, QString>> m_windowIds;
    quint32 m_nextWindowId = 1;
    DesktopEntryIndex m_desktopEntries;
};
