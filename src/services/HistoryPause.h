#pragma once

#include <QDateTime>
#include <QObject>

#include <chrono>
#include <optional>

class Clock;
class Preferences;

/// Whether the history records copies: paused by the person for a while or until resumed. The pause
/// is stored as its end (Preferences::historyPausedUntil), so it outlives a restart until that end,
/// and it ends by itself at that time through the injected clock. GUI thread only.
class HistoryPause : public QObject {
    Q_OBJECT
public:
    /// A pause found stored in `preferences` holds on if its end is still to come.
    HistoryPause(Preferences &preferences, Clock &clock, QObject *parent = nullptr);

    /// Pauses for `duration`, or until resume() when it is zero, replacing any pause in force.
    void pause(std::chrono::seconds duration);
    void resume();

    bool isPaused() const { return m_paused; }
    /// The pause's end; nothing while not paused or paused until resumed.
    std::optional<QDateTime> end() const { return m_end; }

signals:
    /// Paused or resumed, or the end moved.
    void pausedChanged(bool paused);

private:
    void set(bool paused, std::optional<QDateTime> end);
    void logState() const;
    /// Resumes at the end, looking again at most a day ahead, so a long pause needs no long timer.
    void scheduleEnd();

    Preferences &m_preferences;
    Clock &m_clock;
    bool m_paused = false;
    std::optional<QDateTime> m_end;
    // Grows with every change: an end scheduled for an earlier pause does nothing.
    quint64 m_generation = 0;
};
