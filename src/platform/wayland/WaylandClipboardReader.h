#pragma once

#include "WaylandConnection.h"
#include "WaylandOfferTransfer.h"
#include "WaylandSelectionOffers.h"
#include "platform/ClipboardContent.h"
#include "platform/ClipboardReadBudget.h"
#include "platform/ClipboardReadLimits.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

class CopySourceFilter;
class WaylandSelectionServer;
struct DataControlProtocol;
struct wl_seat;
struct zwlr_data_control_manager_v1;
struct zwlr_data_control_device_v1;
struct zwlr_data_control_offer_v1;

/// One complete reading of a Wayland selection, as the reader publishes it.
struct DataControlSnapshot : ClipboardContent {
    bool own = false; ///< the echo of a selection this program set; nothing was read
    bool counted = true; ///< false for the content found at start-up
    bool empty = false; ///< no selection: its source went away or it was cleared
};
Q_DECLARE_METATYPE(DataControlSnapshot)

/// The Wayland clipboard and primary selection through data-control (ext-data-control-v1 where the
/// compositor offers it, else wlroots' protocol), on a connection of its own, on a worker thread.
///
/// Data-control lets a client without keyboard focus see every selection change and set the
/// selection. Every offer is read through a non-blocking pipe with a deadline, so a source that has
/// stalled costs this thread a second and the GUI thread nothing. The selections this program sets
/// are served from here too: their sources live on this connection. run() is its whole life on the
/// worker thread; stop(), setSelection() and requestPrimaryText() may be called from any thread.
class WaylandClipboardReader : public QObject {
    Q_OBJECT
public:
    /// Connects to `displayName` ($WAYLAND_DISPLAY when empty) and binds the data-control device of the
    /// first seat before returning, so every change made afterwards is seen.
    explicit WaylandClipboardReader(const ClipboardReadLimits &limits, const QByteArray &displayName = {});
    ~WaylandClipboardReader() override;

    /// Connected, and the compositor offers data-control.
    bool isValid() const { return m_device != nullptr; }
    /// The compositor's data-control also reaches the primary selection (version 2).
    bool hasPrimarySelection() const;
    /// The data-control protocol in use; null when not valid.
    const DataControlProtocol *protocol() const { return m_protocol; }

    /// Makes `formats` the clipboard (or the primary selection) from now on. Thread-safe.
    void setSelection(const MimeFormats &formats, bool primary = false);
    /// Reads the primary selection's text when another program set it, and answers through
    /// primaryTextRead(`requestId`, ...). Thread-safe.
    void requestPrimaryText(quint64 requestId);

    /// Publishes the current content (not counted), then every change, until stop().
    void run();
    /// Makes run() return promptly, even in the middle of a read. Thread-safe.
    void stop();
    /// While false, a change is reported without its content, none of which is read. Any thread.
    void setReadsContent(bool reads) { m_readsContent = reads; }
    /// Reads the change passed over last, if it is still the current one, as content found. Any thread.
    void readPassedOver();
    /// Data-control does not say who copied: a change is published concealed, unread, while the
    /// application in front, named `names`, is one `neverRecorded` names. Any thread.
    void setFrontmostApplication(std::shared_ptr<const CopySourceFilter> neverRecorded, const QStringList &names);

signals:
    /// The clipboard after a change; for a change of ours only `own` is set, in the order made.
    void contentRead(const DataControlSnapshot &snapshot);
    /// The answer to requestPrimaryText(): the selected text, or nothing.
    void primaryTextRead(quint64 requestId, const std::optional<QString> &text);
    /// Another program set the primary selection.
    void primarySelectionChanged();

private:
    // The protocol's callbacks, in the .cpp.
    friend struct DataControlListeners;
    void noteSelection(zwlr_data_control_offer_v1 *offer, bool primary);
    void noteFinished();

    using Abort = ClipboardReadBudget::Abort;
    using OfferPtr = WaylandSelectionOffers::OfferPtr;
    struct Change {
        OfferPtr offer;
        bool counted = true;
    };

    /// Dispatches the display's events and serves transfers until `fd` is ready for `events`, the
    /// wake-up arrives or `timeoutMs` passes (-1: no limit). \return the revents of `fd`.
    short wait(int fd, short events, int timeoutMs);
    void wake();
    std::optional<quint64> takePrimaryRequest();
    void readChange(Change change);
    void readPrimary(quint64 requestId);
    void readContent(const WaylandSelectionOffers::Offer &offer, DataControlSnapshot &snapshot);

    ClipboardReadBudget m_budget;
    const QString m_ownMarker;
    WaylandConnection m_connection;
    WaylandConnection::Object<wl_seat> m_seat;
    const DataControlProtocol *m_protocol = nullptr;
    WaylandConnection::Object<zwlr_data_control_manager_v1> m_manager;
    WaylandConnection::Object<zwlr_data_control_device_v1> m_device;
    int m_wakeFd = -1;
    std::atomic_bool m_stopping = false;
    std::atomic_bool m_readsContent = true;
    std::atomic_bool m_readPassedOver = false;
    bool m_connectionLost = false;

    QMutex m_requestMutex;
    QList<quint64> m_primaryRequests;
    std::shared_ptr<const CopySourceFilter> m_neverRecorded; // with m_requestMutex
    QStringList m_frontmost; // with m_requestMutex

    std::unique_ptr<WaylandSelectionOffers> m_offers;
    std::unique_ptr<WaylandSelectionServer> m_server;
    WaylandOfferTransfer m_transfer;
    std::optional<Change> m_pending;
    bool m_startingUp = true;
    OfferPtr m_primary;
    // The clipboard's offer passed over unread, while it is still the clipboard's.
    OfferPtr m_passedOver;
    quint64 m_primaryChanges = 0;
    // A clipboard read is in progress: a new selection makes it stale.
    bool m_readingClipboard = false;
};
