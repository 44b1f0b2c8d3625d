#pragma once

#include "Pasteboard.h"
#include "model/ClipboardItemType.h"
#include "model/HistoryLimit.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <QUuid>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ClipboardItem;
class ModelContainer;
class ModelContext;
class Workspace;

/// Turns copies made anywhere on the desktop into history items. Each change the pasteboard reports
/// is classified (image, web link, file, text), stamped with the application in front, and stored. A
/// repeated copy replaces the earlier item at the top with a fresh record under the same id, and
/// unpinned items beyond the history limit (`maxUnpinnedItems` without one) are pruned, oldest first.
/// Large copies are decoded and counted on a worker thread; captures are stored in the order they
/// were made, and those taken when monitoring stops are stored before it returns.
///
/// Where the pasteboard keeps the clipboard for the desktop, the newest item stands in for content
/// whose owner went away, without being recorded again.
class ClipboardMonitor : public QObject {
    Q_OBJECT

public:
    static constexpr int maxUnpinnedItems = HistoryLimit::unlimited;
    /// Image files are stored as images; compared with the lower-cased extension.
    static const QStringList imageExtensions;
    /// A copy whose data exceeds this is prepared off the GUI thread, as is every copied file.
    static constexpr qsizetype largeCopyBytes = 256 * 1024;
    /// Image files larger than this are kept as file items rather than read.
    static constexpr qint64 maxImageFileBytes = 256LL * 1024 * 1024;
    /// Copies waiting for the worker beyond this are dropped (and logged), so a program flooding the
    /// clipboard with large data cannot grow the queue without end.
    static constexpr int maxPendingCaptures = 64;

    /// What the person keeps of other programs' copies, applied from the next copy on. Text handed in
    /// through captureText() is the person's own and always kept.
    struct CaptureRules {
        bool images = true; ///< off: an image is not stored (its file still is, as a file)
        bool files = true; ///< off: copied files are not stored, not even as their paths
        qint64 largestItemBytes = 256LL * 1024 * 1024; ///< a larger copy is not stored
    };

    /// Whatever is on the clipboard now is never captured.
    ClipboardMonitor(
        ModelContainer &container, Pasteboard &pasteboard, const Workspace &workspace, QObject *parent = nullptr);
    ~ClipboardMonitor() override;

    /// The person's bound on the history, applied from the next capture on; it must outlive the
    /// monitor. Without one the history keeps `maxUnpinnedItems`.
    void setHistoryLimit(HistoryLimit *limit) { m_limit = limit; }
    void setCaptureRules(const CaptureRules &rules) { m_rules = rules; }

    /// Captures every change from now on, as the pasteboard reports it.
    void startMonitoring();
    void stopMonitoring();
    bool isMonitoring() const { return m_isMonitoring; }
    qint64 lastChangeCount() const { return m_lastChangeCount; }

    /// Takes the clipboard's change once if its change count moved.
    void checkClipboard();
    /// Called once a capture has been taken care of, with the item it stored, or null when it stored
    /// nothing.
    using CaptureDone = std::function<void(const std::shared_ptr<ClipboardItem> &)>;
    /// Stores the UTF-8 text as a copy of plain text from no particular program would be stored:
    /// classified, filed, replacing an earlier item with the same content, pruning; in turn with the
    /// copies taken before it, and off the GUI thread when large.
    void captureText(const QByteArray &utf8, CaptureDone done);
    /// Calls `done` once the clipboard's current change has been taken care of: with the item stored
    /// for it, or null when none was (capture paused or stopped, nothing to store, passed over for a
    /// newer change). For a write of this program's own, such as putting an item back.
    void whenCurrentChangeCaptured(CaptureDone done);
    /// Captures taken but not stored yet.
    int pendingCaptures() const { return int(m_captures.size()); }

    /// While paused, clipboard changes are not captured; resuming passes over every change made in
    /// between. Pauses nest, so overlapping borrowers each resume once. A borrower (the wrong-layout
    /// fix) reads the clipboard even while the history is paused.
    void pauseCapture();
    void resumeCapture();
    bool isCapturePaused() const { return m_pauseDepth > 0 || m_historyPaused; }

    /// While the person has paused the history, nothing of another program's copies is captured or
    /// read, and an abandoned clipboard is not taken over; resuming passes over what was copied meanwhile.
    void setHistoryPaused(bool paused);

signals:
    /// A capture has been taken care of: stored, or found to hold nothing to store.
    void captureFinished();
    /// A copy made by another program was stored as the newest item (a new one, or a repeat brought
    /// to the top); Quillbox's own writes, such as a paste, do not count.
    void copyCaptured();

private:
    struct Capture;
    struct Result;

    /// Runs on any thread.
    static std::optional<Result> prepare(const PasteboardItem &item, const CaptureRules &rules);
    void pasteboardChanged(Pasteboard::Change change);
    void passOverChangesSincePause();
    /// The capture of the clipboard's change `changeCount`, or null when it holds nothing to take.
    std::shared_ptr<Capture> captureOf(qint64 changeCount) const;
    /// Queues the capture and prepares it, here or on the worker.
    void take(const std::shared_ptr<Capture> &capture);
    /// Hands the waiters for changes up to `changeCount` to `capture` when it is theirs, else answers
    /// them with null.
    void settleWaiters(qint64 changeCount, Capture *capture);
    void storeReadyCaptures();
    /// Waits for the worker and stores every capture taken.
    void finishCaptures();
    void takeOverAbandonedClipboard();
    void saveItem(const Result &result, const Capture &capture);
    std::optional<QUuid> defaultCategoryId(ClipboardItemType type) const;
    /// Deletes the unpinned items beyond the bound; the caller saves.
    void pruneOldItems();

    ModelContext &m_context;
    HistoryLimit *m_limit = nullptr;
    CaptureRules m_rules;
    Pasteboard &m_pasteboard;
    const Workspace &m_workspace;
    bool m_isMonitoring = false;
    QMetaObject::Connection m_pasteboardConnection;
    qint64 m_lastChangeCount;
    qint64 m_ownChangeCount = -1;
    int m_pauseDepth = 0;
    bool m_historyPaused = false;
    std::deque<std::shared_ptr<Capture>> m_captures;
    // One thread: large copies are prepared one after another and the queue stays in copy order.
    QThreadPool m_worker;
    std::weak_ptr<ClipboardItem> m_lastStored;
    bool m_takeOverWhenStored = false;
    std::vector<std::pair<qint64, CaptureDone>> m_changeWaiters; // by change count
};
