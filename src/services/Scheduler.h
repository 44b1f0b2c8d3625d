#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

/// Runs a task once, `delayMs` from now, on the GUI thread. Services take one so that tests can
/// drive their delays with a manual clock instead of sleeping.
using Scheduler = std::function<void(int delayMs, std::function<void()> task)>;

/// QTimer::singleShot bound to `context`: a task whose context is gone never runs.
inline Scheduler timerScheduler(QObject *context)
{
    return
        [context](int delayMs, std::function<void()> task) { QTimer::singleShot(delayMs, context, std::move(task)); };
}
