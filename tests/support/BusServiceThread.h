#pragma once

#include <QObject>
#include <QThread>

#include <type_traits>

/// Where a test's own D-Bus service lives: a thread of its own, so it answers on its own connection
/// while the test waits, as another process would.
class BusServiceThread {
public:
    BusServiceThread()
    {
        m_context.moveToThread(&m_thread);
        m_thread.start();
    }
    ~BusServiceThread()
    {
        m_thread.quit();
        m_thread.wait();
    }
    BusServiceThread(const BusServiceThread &) = delete;
    BusServiceThread &operator=(const BusServiceThread &) = delete;

    /// Runs `work` on the service's thread, waits for it and returns what it returned.
    template <typename Work> auto run(Work work)
    {
        if constexpr (std::is_void_v<decltype(work())>) {
            QMetaObject::invokeMethod(&m_context, work, Qt::BlockingQueuedConnection);
        } else {
            decltype(work()) value{};
            QMetaObject::invokeMethod(
                &m_context, [&] { value = work(); }, Qt::BlockingQueuedConnection);
            return value;
        }
    }
    /// Runs `work` on the service's thread without waiting.
    template <typename Work> void post(Work work) { QMetaObject::invokeMethod(&m_context, std::move(work)); }

private:
    QThread m_thread;
    QObject m_context;
};
