#include "WaylandSelectionServer.h"

#include "DataControlProtocol.h"

#include <wlr-data-control-unstable-v1-client.h>

#include <QMutexLocker>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace {

using SteadyClock = std::chrono::steady_clock;

// A program that asked for our selection and stopped reading it gets this long before its pipe is
// closed; the data stays available for its next request.
constexpr std::chrono::seconds transferTimeout{10};

const QString utf8TextFormat = QStringLiteral("text/plain;charset=utf-8");
const QString plainTextFormat = QStringLiteral("text/plain");
const QString utf8StringFormat = QStringLiteral("UTF8_STRING");

// Wayland programs (and X11 programs through XWayland) ask for text under these names; ours is
// written as text/plain.
MimeFormats withTextAliases(MimeFormats formats)
{
    if (const auto text = formats.constFind(plainTextFormat); text != formats.cend()) {
        const QByteArray bytes = *text;
        formats.insert(utf8TextFormat, bytes);
        formats.insert(utf8StringFormat, bytes);
    }
    return formats;
}

} // namespace

struct DataControlSourceListener {
    using Server = WaylandSelectionServer;

    static void send(void *data, zwlr_data_control_source_v1 *, const char *mimeType, std::int32_t fd)
    {
        auto *source = static_cast<Server::Source *>(data);
        source->server->send(source, mimeType, fd);
    }
    static void cancelled(void *data, zwlr_data_control_source_v1 *)
    {
        auto *source = static_cast<Server::Source *>(data);
        source->server->noteCancelled(source);
    }

    static const zwlr_data_control_source_v1_listener listener;
};

const zwlr_data_control_source_v1_listener DataControlSourceListener::listener = {send, cancelled};

WaylandSelectionServer::WaylandSelectionServer(const DataControlProtocol &protocol,
    zwlr_data_control_manager_v1 *manager, zwlr_data_control_device_v1 *device, bool hasPrimarySelection,
    const QString &ownMarker)
    : m_protocol(protocol)
    , m_manager(manager)
    , m_device(device)
    , m_hasPrimarySelection(hasPrimarySelection)
    , m_ownMarker(ownMarker)
{
}

WaylandSelectionServer::~WaylandSelectionServer()
{
    for (const Transfer &transfer : m_transfers)
        ::close(transfer.fd);
    for (const auto &source : m_sources)
        zwlr_data_control_source_v1_destroy(source->source);
}

void WaylandSelectionServer::queue(const MimeFormats &formats, bool primary)
{
    QMutexLocker lock(&m_writesMutex);
    m_writes.append({formats, primary});
}

void WaylandSelectionServer::setQueued()
{
    QList<Write> writes;
    {
        QMutexLocker lock(&m_writesMutex);
        writes.swap(m_writes);
    }
    for (const Write &write : writes) {
        if (write.primary && !m_hasPrimarySelection)
            continue;
        auto source = std::make_unique<Source>();
        source->server = this;
        source->formats = withTextAliases(write.formats);
        source->formats.insert(m_ownMarker, {});
        source->source = m_protocol.createDataSource(m_manager);
        zwlr_data_control_source_v1_add_listener(source->source, &DataControlSourceListener::listener, source.get());
        for (auto it = source->formats.cbegin(); it != source->formats.cend(); ++it)
            zwlr_data_control_source_v1_offer(source->source, it.key().toUtf8().constData());
        if (write.primary)
            zwlr_data_control_device_v1_set_primary_selection(m_device, source->source);
        else
            zwlr_data_control_device_v1_set_selection(m_device, source->source);
        m_sources.push_back(std::move(source));
    }
}

void WaylandSelectionServer::send(Source *source, const char *mimeType, int fd)
{
    const auto it = source->formats.constFind(QString::fromUtf8(mimeType));
    if (it == source->formats.cend() || ::fcntl(fd, F_SETFL, O_NONBLOCK) != 0) {
        ::close(fd);
        return;
    }
    m_transfers.push_back({fd, *it, 0, SteadyClock::now()});
}

void WaylandSelectionServer::noteCancelled(Source *source)
{
    zwlr_data_control_source_v1_destroy(source->source);
    m_sources.remove_if([source](const std::unique_ptr<Source> &candidate) { return candidate.get() == source; });
}

// Transfers that start while the caller dispatches events are left for the next round.
void WaylandSelectionServer::watch(std::vector<pollfd> &fds)
{
    m_firstWatched = fds.size();
    m_watched.clear();
    for (auto it = m_transfers.begin(); it != m_transfers.end(); ++it) {
        fds.push_back({it->fd, POLLOUT, 0});
        m_watched.push_back(it);
    }
}

void WaylandSelectionServer::serve(const std::vector<pollfd> &fds)
{
    for (std::size_t i = 0; i < m_watched.size(); ++i)
        serveTransfer(m_watched[i], fds[m_firstWatched + i].revents);
    m_watched.clear();
}

void WaylandSelectionServer::serveTransfer(std::list<Transfer>::iterator transfer, short revents)
{
    const auto now = SteadyClock::now();
    bool done = false;
    if (revents & (POLLOUT | POLLERR | POLLHUP)) {
        const qsizetype left = transfer->data.size() - transfer->written;
        const ssize_t written
            = left > 0 ? ::write(transfer->fd, transfer->data.constData() + transfer->written, left) : 0;
        if (written > 0) {
            transfer->written += written;
            transfer->lastProgress = now;
        }
        done = transfer->written == transfer->data.size() || (written < 0 && errno != EAGAIN && errno != EINTR);
        if (written < 0 && errno == EPIPE) {
            // Consumes the signal the failed write left pending on this thread.
            sigset_t pipeSignal;
            sigemptyset(&pipeSignal);
            sigaddset(&pipeSignal, SIGPIPE);
            const timespec noWait = {0, 0};
            sigtimedwait(&pipeSignal, nullptr, &noWait);
        }
    }
    if (done || now - transfer->lastProgress > transferTimeout) {
        ::close(transfer->fd);
        m_transfers.erase(transfer);
    }
}
