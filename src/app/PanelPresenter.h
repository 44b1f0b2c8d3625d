#pragma once

#include "BackendChoice.h"
#include "capture/RunningApplication.h"

#include <QElapsedTimer>
#include <QObject>

#include <memory>
#include <optional>

class AppActions;
class ClipboardHistoryView;
class Clock;
class DesktopColorScheme;
class FloatingPanel;
class StoreProblemView;
class Workspace;

/// The history panel's window and what it shows: the history, or why there is none. Showing it
/// remembers the application in front (the one a paste goes back to), centres it on the pointer's
/// screen, resets the view, and makes sure it gets the keyboard.
class PanelPresenter : public QObject {
    Q_OBJECT

public:
    /// The window exists only in a GUI application. Everything must outlive the presenter.
    PanelPresenter(Workspace &workspace, Clock &clock, AppActions &actions, BackendChoice::Backend backend,
        QObject *parent = nullptr);
    ~PanelPresenter() override;

    FloatingPanel *window() const { return m_panel.get(); }
    /// The panel draws `view`; its keys and scrolls go to it while the panel is on screen.
    void setHistoryView(ClipboardHistoryView *view);
    void setStoreProblemView(StoreProblemView *view);

    void show();
    void hide();
    void toggle();
    bool isVisible() const;
    /// The application in front when the panel was last shown.
    const std::optional<RunningApplication> &previousApp() const { return m_previousApp; }

signals:
    /// The first frame after a show was drawn, `elapsedMs` after the show was asked for.
    void shown(qint64 elapsedMs);

private:
    /// Keeps the view's light or dark look in step with the desktop's.
    template <class View> void followColorScheme(View *view);

    Workspace &m_workspace;
    Clock &m_clock;
    AppActions &m_actions;
    std::unique_ptr<FloatingPanel> m_panel;
    DesktopColorScheme *m_colorScheme = nullptr;
    std::optional<RunningApplication> m_previousApp;
    bool m_showPending = false;
    QElapsedTimer m_showTimer;
};
