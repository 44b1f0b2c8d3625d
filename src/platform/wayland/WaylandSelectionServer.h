#pragma once

#include "capture/PasteboardItem.h"

#include <QList>
#include <QMutex>
#include <QString>

#include <poll.h>

#include <chrono>
#include <list>
#include <memory>
#include <vector>

struct DataControlProtocol;
struct zwlr_data_control_manager_v1;
struct zwlr_data_control_device_v1;
struct zwlr_data_control_source_v1;

/// Serves the selections this program sets, on the reader's thread and connection: their sources
/// live there, and so must answer there. What was set stays served after the program that copied it
/// exits, which is how the history puts an abandoned clipboard back.
///
/// A program that asks for a selection gets it through a non-blocking pipe, written as it reads
/// between the reader's other work, so a reader that stalls holds up nothing here.
class WaylandSelectionServer {
public:
    /// Every selection set lists `ownMarker` too, so its echo is told apart from another program's.
    /// Sources are made as `protocol`'s, the protocol of `manager`.
    WaylandSelectionServer(const DataControlProtocol &protocol, zwlr_data_control_manager_v1 *manager,
        zwlr_data_control_device_v1 *device, bool hasPrimarySelection, const QString &ownMarker);
    ~WaylandSelectionServer();

    /// Queues `formats` to become the clipboard (or the primary selection). Thread-safe.
    void queue(const MimeFormats &formats, bool primary);
    /// Sets the queued selections, in the order queued.
    void setQueued();

    /// A program is being answered.
    bool isServing() const { return !m_transfers.empty(); }
    /// Adds the pipes being written to `fds`, to be polled for writing.
    void watch(std::vector<pollfd> &fds);
    /// Writes to the pipes watch() added, as their poll results in `fds` allow.
    void serve(const std::vector<pollfd> &fds);

private:
    // The protocol's callbacks, in the .cpp.
    friend struct DataControlSourceListener;
    struct Source {
        WaylandSelectionServer *server = nullptr;
        zwlr_data_control_source_v1 *source = nullptr;
        MimeFormats formats;
    };
    struct Transfer {
        int fd;
        QByteArray data;
        qsizetype written = 0;
        std::chrono::steady_clock::time_point lastProgress;
    };
    struct Write {
        MimeFormats formats;
        bool primary;
    };

    void send(Source *source, const char *mimeType, int fd);
    void noteCancelled(Source *source);
    void serveTransfer(std::list<Transfer>::iterator transfer, short revents);

    const DataControlProtocol &m_protocol;
    zwlr_data_control_manager_v1 *m_manager;
    zwlr_data_control_device_v1 *m_device;
    const bool m_hasPrimarySelection;
    const QString m_ownMarker;

    QMutex m_writesMutex;
    QList<Write> m_writes;
    std::list<std::unique_ptr<Source>> m_sources;
    std::list<Transfer> m_transfers;
    // The transfers watch() added, and where their descriptors start.
    std::vector<std::list<Transfer>::iterator> m_watched;
    std::size_t m_firstWatched = 0;
};
