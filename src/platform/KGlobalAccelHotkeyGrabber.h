#pragma once

#include "services/HotkeyGrabber.h"

#include <QDBusPendingReply>
#include <QHash>
#include <QStringList>

class QDBusMessage;

/// Global shortcuts through KDE Plasma's kglobalaccel service on the session bus, where no program
/// may grab keys itself (Plasma on Wayland). The shortcuts appear in the desktop's shortcut
/// settings under "Quillbox". GUI thread only; nothing here waits for kglobalaccel: a grab is
/// pending until its answer comes through grabAnswered.
class KGlobalAccelHotkeyGrabber : public HotkeyGrabber {
    Q_OBJECT
public:
    /// How long kglobalaccel may take to answer a grab before it counts as unavailable.
    static constexpr int defaultReplyTimeoutMs = 5000;

    explicit KGlobalAccelHotkeyGrabber(int replyTimeoutMs = defaultReplyTimeoutMs, QObject *parent = nullptr);

    /// kglobalaccel runs on the session bus. Asks the bus itself, not kglobalaccel, and waits at most
    /// a second: for the choice made once at start-up, before any window shows.
    static bool isServiceAvailable();

    /// noSuchKey at once for a key kglobalaccel cannot name, else pending.
    GrabResult grab(std::uint32_t id, std::uint32_t keycode, std::uint32_t modifiers) override;
    void ungrab(std::uint32_t id) override;

private slots:
    void notePressed(const QString &component, const QString &action, qlonglong timestamp);

private:
    QStringList actionId(std::uint32_t id) const;
    QDBusMessage call(const QString &method) const;
    void noteAssigned(std::uint32_t id, quint64 request, int key, const QDBusPendingReply<QList<int>> &assigned);
    // Subscribes to the component's presses once kglobalaccel names its object.
    void listen();

    int m_replyTimeoutMs;
    bool m_listening = false;
    quint64 m_nextRequest = 0;
    /// The newest grab asked for under each id, until answered: older answers are stale.
    QHash<std::uint32_t, quint64> m_requests;
    QHash<QString, std::uint32_t> m_actions;
};
