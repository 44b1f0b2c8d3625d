#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

class AppActions;
class PanelPresenter;

/// Quillbox's icon in the desktop's system tray. A click toggles the panel; its context menu opens
/// the panel, the settings or quits. Where no tray host runs, it says so once and stays hidden: the
/// hotkey still works.
class StatusItem : public QObject {
    Q_OBJECT

public:
    /// `panel` and `actions` must outlive the item.
    StatusItem(PanelPresenter &panel, AppActions &actions, QObject *parent = nullptr);

private:
    QMenu m_menu;
    QSystemTrayIcon m_icon;
};
