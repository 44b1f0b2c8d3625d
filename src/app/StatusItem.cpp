#include "StatusItem.h"

#include "PanelPresenter.h"
#include "services/AppActions.h"
#include "services/ConsoleLog.h"
#include "services/HistoryPause.h"

#include <QCoreApplication>

StatusItem::StatusItem(PanelPresenter &panel, AppActions &actions, HistoryPause &pause, QObject *parent)
    : QObject(parent)
{
    using namespace std::chrono_literals;
    m_menu.addAction(tr("Open Quillbox"), &panel, &PanelPresenter::show);
    m_menu.addAction(tr("Settings..."), &actions, &AppActions::openSettingsRequested);
    m_menu.addSeparator();
    m_pauseMenu.setTitle(tr("Pause History"));
    m_pauseMenu.addAction(tr("For 10 Minutes"), &pause, [&pause] { pause.pause(10min); });
    m_pauseMenu.addAction(tr("For 1 Hour"), &pause, [&pause] { pause.pause(1h); });
    m_pauseMenu.addAction(tr("Until I Resume"), &pause, [&pause] { pause.pause(0s); });
    m_pauseAction = m_menu.addMenu(&m_pauseMenu);
    m_resumeAction = m_menu.addAction(tr("Resume History"), &pause, &HistoryPause::resume);
    m_menu.addSeparator();
    // Queued: quitting from inside the menu's own handler would tear the menu down under it.
    m_menu.addAction(tr("Quit Quillbox"), this,
        [] { QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection); });
    m_icon.setContextMenu(&m_menu);
    connect(&m_icon, &QSystemTrayIcon::activated, &panel, [&panel](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            panel.toggle();
    });
    showPause(pause.isPaused());
    connect(&pause, &HistoryPause::pausedChanged, this, &StatusItem::showPause);
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        printLine(QStringLiteral("[Quillbox] No system tray on this desktop — open the panel with Super+Shift+V"));
    m_icon.show();
}

void StatusItem::showPause(bool paused)
{
    // By its name in the icon theme where installed, so that a tray host drawing names draws it.
    m_icon.setIcon(paused
            ? QIcon::fromTheme(
                QStringLiteral("io.quillbox.Quillbox-paused"), QIcon(QStringLiteral(":/icons/quillbox-paused.svg")))
            : QIcon::fromTheme(QStringLiteral("io.quillbox.Quillbox"), QIcon(QStringLiteral(":/icons/quillbox.svg"))));
    m_icon.setToolTip(paused ? tr("Quillbox — history paused") : QStringLiteral("Quillbox"));
    m_pauseAction->setVisible(!paused);
    m_resumeAction->setVisible(paused);
}
