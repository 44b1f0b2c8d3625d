#pragma once

#include <QObject>

/// The actions that parts of the program which do not know each other ask of the application: the
/// tray, the panel and the settings window ask; the delegate, the panel's view and the hotkey act.
/// One instance lives as long as the application and is handed to everyone who asks or acts.
///
/// Receivers of the requests connect queued, so that the asker's step (a menu's handler, a QML
/// click) finishes before the action runs; `panelWillShow` is delivered directly, since the panel
/// must be reset before it comes to front.
class AppActions : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void openSettingsRequested();
    void clearAllHistoryRequested();
    /// A new panel hotkey was stored: read the preferences again and register it.
    void hotkeyReloadRequested();
    /// The panel is about to be shown.
    void panelWillShow();
};
