#include "HistoryPause.h"

#include "model/Clock.h"
#include "model/Preferences.h"

#include <QLoggingCategory>

#include <algorithm>

namespace {

Q_LOGGING_CATEGORY(lcPause, "quillbox.pause", QtInfoMsg)

const QString untilResumed = QStringLiteral("resume");
constexpr qint64 longestWaitMs = 24 * 60 * 60 * 1000;

} // namespace

HistoryPause::HistoryPause(Preferences &preferences, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_clock(clock)
{
    const QString stored = preferences.historyPausedUntil();
    if (stored.isEmpty())
        return;
    if (stored == untilResumed) {
        m_paused = true;
    } else {
        const QDateTime end = QDateTime::fromString(stored, Qt::ISODate);
        if (end.isValid() && end > clock.now()) {
            m_paused = true;
            m_end = end;
        }
    }
    if (!m_paused) {
        // Over while Quillbox was not running, or unreadable: recording goes on.
        preferences.setHistoryPausedUntil(QString());
        return;
    }
    logState();
    scheduleEnd();
}

void HistoryPause::pause(std::chrono::seconds duration)
{
    if (duration.count() <= 0) {
        set(true, std::nullopt);
        return;
    }
    set(true, m_clock.now().toUTC().addSecs(duration.count()));
}

void HistoryPause::resume()
{
    set(false, std::nullopt);
}

void HistoryPause::set(bool paused, std::optional<QDateTime> end)
{
    ++m_generation;
    const bool changed = paused != m_paused || end != m_end;
    m_paused = paused;
    m_end = end;
    m_preferences.setHistoryPausedUntil(!paused ? QString() : end ? end->toString(Qt::ISODate) : untilResumed);
    if (paused)
        scheduleEnd();
    if (changed) {
        logState();
        emit pausedChanged(paused);
    }
}

void HistoryPause::logState() const
{
    if (!m_paused)
        qCInfo(lcPause) << "history resumed";
    else if (m_end)
        qCInfo(lcPause).noquote() << "history paused until" << m_end->toString(Qt::ISODate);
    else
        qCInfo(lcPause) << "history paused until resumed";
}

void HistoryPause::scheduleEnd()
{
    if (!m_end)
        return;
    const quint64 generation = m_generation;
    const qint64 remainingMs = std::max<qint64>(0, m_clock.now().msecsTo(*m_end));
    m_clock.schedule(int(std::min(remainingMs, longestWaitMs)), this, [this, generation] {
        if (generation != m_generation || !m_end)
            return;
        if (m_clock.now() >= *m_end)
            resume();
        else
            scheduleEnd();
    });
}
