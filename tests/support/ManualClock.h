#pragma once

#include "services/Scheduler.h"

#include <map>

/// A manual clock: scheduled tasks run only when the test advances time, in due order.
struct ManualClock {
    qint64 now = 0;
    std::multimap<qint64, std::function<void()>> tasks;

    Scheduler scheduler()
    {
        return [this](int delayMs, std::function<void()> task) { tasks.emplace(now + delayMs, std::move(task)); };
    }
    void advance(qint64 ms)
    {
        const qint64 until = now + ms;
        while (!tasks.empty() && tasks.begin()->first <= until) {
            auto node = tasks.extract(tasks.begin());
            now = node.key();
            node.mapped()();
        }
        now = until;
    }
};
