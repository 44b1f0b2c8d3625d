#pragma once

#include "X11SelectionTransfer.h"
#include "platform/ClipboardContent.h"
#include "platform/ClipboardReadBudget.h"
#include "platform/ClipboardReadLimits.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

#include <xcb/xcb.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

class CopySourceFilter;
class X11ClipboardManager;
class X11TargetNames;

/// One complete reading of the clipboard, as the reader publishes it.
struct ClipboardSnapshot : ClipboardContent {
    std::uint32_t owner = 0; ///< 0: nobody
    bool counted = true; ///< false for the content found at start-up
    bool ownerGone = false; ///< emptied because the owner's window or connection went away
};
Q_DECLARE_METATYPE(ClipboardSnapshot)

/// Reads the X11 CLIPBOARD selection through an xcb connection of its own, on a worker thread.
///
/// Qt's QClipboard blocks its caller for seconds when the owner has stalled, so nothing on the GUI
/// thread ever waits on another client. This reader notices owner changes through XFixes, reads the
/// new content with deadlines (INCR transfers included), re-encodes an image as PNG, and publishes one
/// complete snapshot per change through contentRead(). Where no other clipboard manager runs, it also
/// owns CLIPBOARD_MANAGER, so programs that hand their clipboard over on exit (SAVE_TARGETS) learn
/// that it is kept. It reads the PRIMARY selection on request. run() is its whole life on the worker
/// thread; stop(), isClipboardManager() and requestPrimaryText() may be called from any thread.
class X11ClipboardReader : public QObject {
    Q_OBJECT
public:
    /// Connects to `displayName` ($DISPLAY when empty) and subscribes to CLIPBOARD owner changes
    /// before returning, so every change made afterwards is seen. Windows whose ids lie in the
    /// resource-id range `ownIdBase`/`ownIdMask` (that of this process's Qt connection) belong to this
    /// program: a change to such an owner is reported but never read, as reading would wait on our own
    /// GUI thread.
    /// A copy whose owner's program `neverRecorded` names is published concealed, unread.
    X11ClipboardReader(std::uint32_t ownIdBase, std::uint32_t ownIdMask, const ClipboardReadLimits &limits,
        std::shared_ptr<const CopySourceFilter> neverRecorded = {}, const QByteArray &displayName = {});
    ~X11ClipboardReader() override;

    /// The connection and the XFixes subscription succeeded.
    bool isValid() const { return m_connection != nullptr; }
    /// `window` was created by this process's Qt connection. Thread-safe.
    bool isOwnWindow(std::uint32_t window) const;
    /// This program keeps the clipboard for the desktop: it owns CLIPBOARD_MANAGER.
    bool isClipboardManager() const;
    /// Reads PRIMARY's text when its owner was created by the client of `window` (not by this
    /// program) and answers through primaryTextRead(`requestId`, ...).
    void requestPrimaryText(quint64 requestId, std::uint32_t window);

    /// Publishes the current content (not counted), then every change, until stop().
    void run();
    /// Makes run() return promptly, even in the middle of a read. Thread-safe.
    void stop();
    /// While false, a change is reported without its content, none of which is read. Any thread.
    void setReadsContent(bool reads) { m_readsContent = reads; }
    /// Reads the change passed over last, if it is still the current one, as content found. Any thread.
    void readPassedOver();

signals:
    /// The clipboard's content after a change. For a change to one of our own windows nothing is read
    /// and the snapshot holds only the owner.
    void contentRead(const ClipboardSnapshot &snapshot);
    /// The answer to requestPrimaryText(): the selected text, or nothing.
    void primaryTextRead(quint64 requestId, const std::optional<QString> &text);

private:
    struct OwnerChange {
        std::uint32_t owner = 0;
        std::uint32_t time = 0;
        bool counted = true;
        bool ownerGone = false;
    };
    struct PrimaryRequest {
        quint64 id;
        std::uint32_t window;
    };
    using Abort = ClipboardReadBudget::Abort;
    using EventPtr = X11SelectionTransfer::EventPtr;
    EventPtr waitForEvent(const X11SelectionTransfer::Accept &accept);

    bool subscribe();
    /// Handles an event that needs no read in progress: owner changes (true) and requests to the
    /// clipboard-manager selection.
    bool noteEvent(const xcb_generic_event_t *event);
    bool noteOwnerChange(const xcb_generic_event_t *event);
    std::optional<PrimaryRequest> takePrimaryRequest();
    void readPrimary(const PrimaryRequest &request);
    void waitForChange();
    void readChange(const OwnerChange &change);
    void readContent(ClipboardSnapshot &snapshot);
    QHash<QString, std::uint32_t> readTargets();
    bool superseded();

    xcb_connection_t *m_connection = nullptr;
    std::uint32_t m_ownIdBase;
    std::uint32_t m_ownIdMask;
    ClipboardReadBudget m_budget;
    std::shared_ptr<const CopySourceFilter> m_neverRecorded;
    int m_wakeFd = -1;
    std::atomic_bool m_stopping = false;
    std::atomic_bool m_readsContent = true;
    std::atomic_bool m_readPassedOver = false;
    bool m_wakeRequested = false;
    QMutex m_primaryMutex;
    QList<PrimaryRequest> m_primaryRequests;

    std::uint32_t m_window = 0;
    std::uint8_t m_xfixesFirstEvent = 0;
    std::uint32_t m_clipboardAtom = 0;
    std::uint32_t m_utf8StringAtom = 0;
    std::unique_ptr<X11TargetNames> m_targetNames;
    std::unique_ptr<X11SelectionTransfer> m_transfer;
    std::unique_ptr<X11ClipboardManager> m_manager;

    std::optional<OwnerChange> m_pending;
};
