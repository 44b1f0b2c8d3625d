#pragma once

#include "platform/ClipboardContent.h"
#include "platform/ClipboardReadBudget.h"
#include "platform/ClipboardReadLimits.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <optional>

/// One complete reading of a clipboard change the Shell announced.
struct GnomeClipboardSnapshot : ClipboardContent {
    quint64 serial = 0; ///< the change's serial, as the Shell numbered it
    bool empty = false; ///< nobody owns the clipboard: its owner went away
    bool counted = true; ///< false for the content found when Quillbox registered
};
Q_DECLARE_METATYPE(GnomeClipboardSnapshot)

/// Reads the selections the Shell extension hands over, on a worker thread: each format through a pipe
/// whose write end goes to ReadSelection, read without blocking, within the change's budget, so an owner
/// that stalls or sends without end costs this thread its deadline and the GUI thread nothing.
///
/// run() is its whole life on the worker thread; readChange(), requestPrimaryText() and stop() may be
/// called from any thread.
class GnomeClipboardReader : public QObject {
    Q_OBJECT
public:
    GnomeClipboardReader(QDBusConnection bus, const ClipboardReadLimits &limits);
    ~GnomeClipboardReader() override;

    /// Reads the change `serial` offering `mimeTypes`, after giving up one read before it; publishes it
    /// through contentRead unless a newer change comes first. An uncounted one is content found, not a change.
    void readChange(quint64 serial, const QStringList &mimeTypes, bool counted = true);
    /// Reads the primary selection's text; answers through primaryTextRead(`requestId`, ...).
    void requestPrimaryText(quint64 requestId);

    void run();
    /// Makes run() return promptly, even in the middle of a read.
    void stop();

signals:
    void contentRead(const GnomeClipboardSnapshot &snapshot);
    void primaryTextRead(quint64 requestId, const std::optional<QString> &text);

private:
    struct Change {
        quint64 serial = 0;
        QStringList mimeTypes;
        bool counted = true;
    };

    void readClipboard(const Change &change);
    void readPrimary(quint64 requestId);
    /// The whole of `mimeType` of `selection`; nothing when the Shell refused, the owner failed, the
    /// bound was passed, or the read was given up (the budget says why).
    std::optional<QByteArray> transfer(const QString &selection, quint64 serial, const QString &mimeType);
    /// Waits until `fd` is readable, the wake-up arrives or `timeoutMs` passes. \return `fd`'s revents.
    short wait(int fd, int timeoutMs);
    std::optional<ClipboardReadBudget::Abort> interruption() const;
    void wake();

    QDBusConnection m_bus;
    ClipboardReadBudget m_budget;
    int m_wakeFd = -1;
    std::atomic_bool m_stopping = false;
    // Grows with every change announced: a read of an older one is stale.
    std::atomic<quint64> m_changes = 0;
    quint64 m_reading = 0;
    // Only a clipboard read is made stale by a newer change.
    bool m_readingClipboard = false;

    QMutex m_mutex;
    std::optional<Change> m_pending;
    QList<quint64> m_primaryRequests;
};
