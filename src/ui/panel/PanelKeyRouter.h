#pragma once

#include "PanelFocus.h"
#include "model/Clock.h"

#include <QObject>

class ClipboardHistoryView;
class Preferences;
class SoundPlayer;

/// The history panel's keys and scrolling: the panel's own key handlers, and the application-wide
/// key-down and scroll monitors, which see a key before the focused field does.
///
/// Shortcuts take Control (Ctrl+F, Ctrl+N, ...), as Linux programs' shortcuts do.
/// Key codes are Qt::Key values.
class PanelKeyRouter : public QObject {
    Q_OBJECT

public:
    /// `preferences` is read for "categorySearchKey" and "playSoundOnNavigate" each time they matter.
    /// `sound` may be null. Everything given must outlive the router.
    PanelKeyRouter(ClipboardHistoryView &view, Preferences &preferences, SoundPlayer *sound, Scheduler schedule,
        QObject *parent = nullptr);
    ~PanelKeyRouter() override;

    /// True when the key was handled. A key that a focused text field consumes (printable text
    /// without Control, Left, Right) is left to the field.
    bool handleKey(int key, Qt::KeyboardModifiers modifiers, const QString &text);
    /// True consumes the key, its action queued on the event loop.
    bool monitorKeyDown(int key, Qt::KeyboardModifiers modifiers);
    /// Every scroll is consumed. `deltaY` is in pixels when precise, otherwise in eighths of a degree
    /// (120 a wheel notch, which moves one row).
    void monitorScroll(double deltaY, bool isPrecise);
    /// Installs the monitors as an application-wide event filter (at most once).
    void installMonitors();
    void removeMonitors();
    bool hasMonitors() const { return m_monitorsInstalled; }
    double scrollAccumulator() const { return m_scrollAccumulator; }

    bool playSoundOnNavigate() const;
    void playClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool handleReturn();
    bool handleEscape();
    bool typeToSearch(Qt::KeyboardModifiers modifiers, const QString &text);
    void toggleSearch();
    /// Gives `field` the focus a moment from now, once the field it belongs to is on screen.
    void focusLater(PanelFocus::Field field);
    void later(int delayMs, std::function<void()> task);

    ClipboardHistoryView &m_view;
    Preferences &m_preferences;
    SoundPlayer *m_sound;
    Scheduler m_schedule;
    double m_scrollAccumulator = 0;
    double m_wheelAccumulator = 0;
    bool m_monitorsInstalled = false;
};
