#pragma once

#include "model/Clock.h"

#include <QPointer>
#include <QTimeZone>

#include <map>

/// A manual clock: time moves, and scheduled tasks run in due order, only when the test advances it.
class ManualClock : public Clock {
public:
    struct Task {
        bool bound; // to a context, which may be gone by the time the task is due
        QPointer<QObject> context;
        std::function<void()> run;
    };
    /// Milliseconds since the clock started.
    qint64 elapsed = 0;
    std::multimap<qint64, Task> tasks;

    QDateTime now() const override { return QDateTime(QDate(2026, 1, 1), QTime(9, 0), QTimeZone::utc()).addMSecs(elapsed); }
    void schedule(int delayMs, QObject *context, std::function<void()> task) override
    {
        tasks.emplace(elapsed + delayMs, Task{context != nullptr, context, std::move(task)});
    }
    Scheduler scheduler() { return Clock::scheduler(nullptr); }
    void advance(qint64 ms)
    {
        const qint64 until = elapsed + ms;
        while (!tasks.empty() && tasks.begin()->first <= until) {
            auto node = tasks.extract(tasks.begin());
            elapsed = node.key();
            if (!node.mapped().bound || node.mapped().context)
                node.mapped().run();
        }
        elapsed = until;
    }
};
