#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

/// The GUI thread's longest stall while it runs: a 1 ms timer that notes the widest gap between two
/// of its turns. Anything the thread waits for (a process, a D-Bus reply, a blob read) widens a gap.
class GuiStallProbe : public QObject {
public:
    GuiStallProbe()
    {
        m_timer.setInterval(1);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            m_longestMs = std::max(m_longestMs, m_sinceLastTurn.nsecsElapsed() / 1e6);
            m_sinceLastTurn.restart();
        });
    }

    /// Starts a fresh measurement.
    void start()
    {
        m_longestMs = 0;
        m_sinceLastTurn.start();
        m_timer.start();
    }

    /// The longest gap since start(), in milliseconds, including the one still open.
    double stop()
    {
        m_timer.stop();
        return std::max(m_longestMs, m_sinceLastTurn.nsecsElapsed() / 1e6);
    }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceLastTurn;
    double m_longestMs = 0;
};
