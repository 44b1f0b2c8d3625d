#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

class AppActions;
class HistoryPause;
class PanelPresenter;

/// Quillbox's icon in the desktop's system tray. A click toggles the panel; its context menu opens
/// the panel, pauses or resumes the history, opens the settings or quits. While the history is
/// paused the icon and its tooltip say so. Where no tray host runs, it says so once and stays hidden:
/// the hotkey still works.
class StatusItem : public QObject {
    Q_OBJECT

public:
    /// `panel`, `actions` and `pause` must outlive the item.
    StatusItem(PanelPresenter &panel, AppActions &actions, HistoryPause &pause, QObject *parent = nullptr);

private:
    void showPause(bool paused);

    QMenu m_menu;
    QMenu m_pauseMenu;
    QAction *m_pauseAction = nullptr;
    QAction *m_resumeAction = nullptr;
    QSystemTrayIcon m_icon;
};
