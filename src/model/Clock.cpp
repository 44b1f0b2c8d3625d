#include "Clock.h"

#include <QTimer>

namespace {

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTimeUtc(); }
    void schedule(int delayMs, QObject *context, std::function<void()> task) override
    {
        if (context)
            QTimer::singleShot(delayMs, context, std::move(task));
        else
            QTimer::singleShot(delayMs, std::move(task));
    }
};

} // namespace

Clock &Clock::system()
{
    static SystemClock clock;
    return clock;
}
