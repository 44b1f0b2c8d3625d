#pragma once

#include <QDateTime>
#include <QObject>

#include <functional>

/// Runs a task once, `delayMs` from now, on the main thread.
using Scheduler = std::function<void(int delayMs, std::function<void()> task)>;

/// The main thread's time: now, and tasks after a delay. Injected so that tests advance a manual
/// clock instead of sleeping.
class Clock {
public:
    virtual ~Clock() = default;

    /// The current time, in UTC.
    virtual QDateTime now() const = 0;
    /// Runs `task` once, `delayMs` from now, unless `context` is destroyed first (a null context
    /// never is).
    virtual void schedule(int delayMs, QObject *context, std::function<void()> task) = 0;

    /// schedule() bound to `context`, for code that only delays.
    Scheduler scheduler(QObject *context)
    {
        return
            [this, context](int delayMs, std::function<void()> task) { schedule(delayMs, context, std::move(task)); };
    }

    /// The system time and QTimer::singleShot.
    static Clock &system();
};
