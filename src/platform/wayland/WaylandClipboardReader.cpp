#include "WaylandClipboardReader.h"
#include "DataControlProtocol.h"
#include "WaylandSelectionServer.h"
#include "capture/CopySourceFilter.h"

#include <wlr-data-control-unstable-v1-client.h>

#include <QLoggingCategory>
#include <QMutexLocker>

#include <wayland-client.h>

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

Q_LOGGING_CATEGORY(lcReader, "quillbox.pasteboard.reader", QtInfoMsg)

} // namespace

struct DataControlListeners {
    using Reader = WaylandClipboardReader;

    static void dataOffer(void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer)
    {
        static_cast<Reader *>(data)->m_offers->announce(offer);
    }
    static void selection(void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer)
    {
        static_cast<Reader *>(data)->noteSelection(offer, false);
    }
    static void primarySelection(void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer)
    {
        static_cast<Reader *>(data)->noteSelection(offer, true);
    }
    static void finished(void *data, zwlr_data_control_device_v1 *) { static_cast<Reader *>(data)->noteFinished(); }

    static const zwlr_data_control_device_v1_listener deviceListener;
};

const zwlr_data_control_device_v1_listener DataControlListeners::deviceListener
    = {dataOffer, selection, finished, primarySelection};

WaylandClipboardReader::WaylandClipboardReader(const ClipboardReadLimits &limits, const QByteArray &displayName)
    : m_budget(limits)
    // Every selection this program sets lists this type, so its echo is told apart from another
    // program's copy however the two interleave.
    , m_ownMarker(QStringLiteral("application/x-quillbox-source-") + QString::number(::getpid()))
    , m_connection(displayName)
    , m_seat(m_connection.bind(wl_seat_interface, 1, wl_seat_destroy))
    , m_manager(nullptr, zwlr_data_control_manager_v1_destroy)
    , m_device(nullptr, zwlr_data_control_device_v1_destroy)
    , m_offers(std::make_unique<WaylandSelectionOffers>(m_ownMarker))
    , m_transfer(
          m_budget,
          [this]() -> std::optional<Abort> {
              if (m_stopping)
                  return Abort::stopped;
              if (m_connectionLost)
                  return Abort::connectionLost;
              return std::nullopt;
          },
          [this](int fd, int timeoutMs) { return wait(fd, POLLIN, timeoutMs); })
{
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (!m_connection.isConnected() || m_wakeFd < 0) {
        qCWarning(lcReader) << "cannot connect to the Wayland compositor; clipboard changes will not be seen";
        return;
    }
    m_protocol = DataControlProtocol::preferred(
        [this](const DataControlProtocol &protocol) { return m_connection.version(*protocol.manager) > 0; });
    if (!m_seat || !m_protocol) {
        qCWarning(lcReader) << "the compositor offers no data-control; clipboard changes will not be seen";
        return;
    }
    // The wlroots bindings drive either protocol's objects: they differ in names only.
    m_manager = m_connection.bind(*m_protocol->manager, m_protocol->maxVersion, zwlr_data_control_manager_v1_destroy);
    m_device.reset(m_protocol->getDataDevice(m_manager.get(), m_seat.get()));
    zwlr_data_control_device_v1_add_listener(m_device.get(), &DataControlListeners::deviceListener, this);
    m_server = std::make_unique<WaylandSelectionServer>(
        *m_protocol, m_manager.get(), m_device.get(), hasPrimarySelection(), m_ownMarker);
    qCInfo(lcReader) << "the clipboard is reached through" << m_protocol->name;
    // The device announces the selections at once: the content found at start-up.
    if (!m_connection.roundtrip())
        m_connectionLost = true;
    m_startingUp = false;
}

WaylandClipboardReader::~WaylandClipboardReader()
{
    // Everything bound to the connection goes before it.
    m_server.reset();
    m_pending.reset();
    m_primary.reset();
    m_passedOver.reset();
    m_offers.reset();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

bool WaylandClipboardReader::hasPrimarySelection() const
{
    return m_manager && wl_proxy_get_version(reinterpret_cast<wl_proxy *>(m_manager.get())) >= m_protocol->primarySince;
}

void WaylandClipboardReader::noteSelection(zwlr_data_control_offer_v1 *offer, bool primary)
{
    OfferPtr taken = m_offers->take(offer);
    const bool own = taken && m_offers->isOwn(*taken);
    if (primary) {
        ++m_primaryChanges;
        // Our own selection is never read back: the answer would come from our own thread.
        m_primary = own ? nullptr : std::move(taken);
        if (m_primary)
            emit primarySelectionChanged();
        return;
    }
    if (m_readingClipboard)
        m_budget.abort(Abort::superseded);
    m_passedOver.reset();
    if (own) {
        // Reported as seen, never coalesced: the pasteboard matches each of its writes to one echo.
        // Whatever was about to be read is older than our write.
        m_pending.reset();
        DataControlSnapshot snapshot;
        snapshot.own = true;
        emit contentRead(snapshot);
        return;
    }
    m_pending = Change{std::move(taken), !m_startingUp};
}

void WaylandClipboardReader::noteFinished()
{
    qCWarning(lcReader) << "the compositor withdrew the data-control device";
    m_connectionLost = true;
}

void WaylandClipboardReader::setSelection(const MimeFormats &formats, bool primary)
{
    if (m_server)
        m_server->queue(formats, primary);
    wake();
}

void WaylandClipboardReader::requestPrimaryText(quint64 requestId)
{
    {
        QMutexLocker lock(&m_requestMutex);
        m_primaryRequests.append(requestId);
    }
    wake();
}

void WaylandClipboardReader::readPassedOver()
{
    m_readPassedOver = true;
    wake();
}

void WaylandClipboardReader::setFrontmostApplication(
    std::shared_ptr<const CopySourceFilter> neverRecorded, const QStringList &names)
{
    QMutexLocker lock(&m_requestMutex);
    m_neverRecorded = std::move(neverRecorded);
    m_frontmost = names;
}

void WaylandClipboardReader::stop()
{
    m_stopping = true;
    wake();
}

void WaylandClipboardReader::wake()
{
    const std::uint64_t one = 1;
    if (m_wakeFd >= 0 && ::write(m_wakeFd, &one, sizeof one) < 0)
        qCWarning(lcReader) << "cannot wake the reader:" << std::strerror(errno);
}

std::optional<quint64> WaylandClipboardReader::takePrimaryRequest()
{
    QMutexLocker lock(&m_requestMutex);
    if (m_primaryRequests.isEmpty())
        return std::nullopt;
    return m_primaryRequests.takeFirst();
}

void WaylandClipboardReader::run()
{
    if (!m_device)
        return;
    // A program that closes its end of a transfer early must not end this one: the write fails
    // with EPIPE instead.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);

    while (!m_stopping && !m_connectionLost) {
        m_server->setQueued();
        if (m_pending) {
            Change change = std::move(*m_pending);
            m_pending.reset();
            readChange(std::move(change));
        } else if (m_readPassedOver.exchange(false)) {
            if (m_passedOver)
                m_pending = Change{std::move(m_passedOver), false};
        } else if (const auto request = takePrimaryRequest()) {
            readPrimary(*request);
        } else {
            m_budget.clearAbort();
            wait(-1, 0, m_server->isServing() ? 1000 : -1);
        }
    }
    if (m_connectionLost)
        qCWarning(lcReader) << "lost the Wayland connection; clipboard changes are no longer seen";
}

short WaylandClipboardReader::wait(int fd, short events, int timeoutMs)
{
    int dispatched = 0;
    while (wl_display_prepare_read(m_connection.display()) != 0) {
        const int count = wl_display_dispatch_pending(m_connection.display());
        if (count < 0) {
            m_connectionLost = true;
            return 0;
        }
        dispatched += count;
    }
    if (wl_display_flush(m_connection.display()) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(m_connection.display());
        m_connectionLost = true;
        return 0;
    }

    std::vector<pollfd> fds
        = {{wl_display_get_fd(m_connection.display()), POLLIN, 0}, {m_wakeFd, POLLIN, 0}, {fd, events, 0}};
    m_server->watch(fds);
    // Events dispatched just now may be what the caller waits for: it looks before anyone sleeps.
    const bool interesting = dispatched > 0 || m_budget.aborted() || m_stopping;
    if (poll(fds.data(), fds.size(), interesting ? 0 : timeoutMs) < 0 && errno != EINTR) {
        qCWarning(lcReader) << "poll failed:" << std::strerror(errno);
        wl_display_cancel_read(m_connection.display());
        m_connectionLost = true;
        return 0;
    }
    if (fds[0].revents & POLLIN) {
        if (wl_display_read_events(m_connection.display()) < 0
            || wl_display_dispatch_pending(m_connection.display()) < 0) {
            m_connectionLost = true;
            return 0;
        }
    } else {
        wl_display_cancel_read(m_connection.display());
        if (fds[0].revents & (POLLERR | POLLHUP)) {
            m_connectionLost = true;
            return 0;
        }
    }
    if (fds[1].revents & POLLIN) {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto drained = ::read(m_wakeFd, &count, sizeof count);
        // A paste must not wait for a stalled program's read to time out.
        m_server->setQueued();
    }
    m_server->serve(fds);
    return fds[2].revents;
}

void WaylandClipboardReader::readChange(Change change)
{
    DataControlSnapshot snapshot;
    snapshot.counted = change.counted;
    if (!change.offer) {
        snapshot.empty = true;
        emit contentRead(snapshot);
        return;
    }
    if (!m_readsContent) {
        // Kept unread, to be read if reading comes back on while it is still the clipboard's.
        snapshot.unread = true;
        m_passedOver = std::move(change.offer);
        emit contentRead(snapshot);
        return;
    }
    bool withheld = false;
    {
        QMutexLocker lock(&m_requestMutex);
        withheld = m_neverRecorded && m_neverRecorded->excludes(m_frontmost);
    }
    if (withheld) {
        snapshot.conceal();
        emit contentRead(snapshot);
        return;
    }
    m_budget.begin();
    m_readingClipboard = true;
    readContent(*change.offer, snapshot);
    m_readingClipboard = false;

    if (!m_budget.keepsWhatWasRead())
        return;
    if (m_budget.aborted() == Abort::timeout)
        qCWarning(lcReader) << "the program that copied stopped answering; keeping what it sent";
    if (m_budget.aborted() == Abort::tooLarge)
        qCWarning(lcReader).nospace() << "the program that copied sent more than "
                                      << m_budget.maxChangeBytes() / (1024 * 1024) << " MB; the rest is not read";
    emit contentRead(snapshot);
}

// Programs offer the selected text as a primary selection of their own; we cannot tell whose, so the
// newest one not set by us is what is selected.
void WaylandClipboardReader::readPrimary(quint64 requestId)
{
    std::optional<QString> text;
    OfferPtr offer = std::move(m_primary);
    const quint64 changesBefore = m_primaryChanges;
    if (offer) {
        m_budget.begin();
        const QStringList utf8First
            = {QStringLiteral("text/plain;charset=utf-8"), QStringLiteral("UTF8_STRING"), QStringLiteral("text/plain")};
        for (const QString &format : utf8First) {
            if (offer->mimeTypes.contains(format)) {
                if (const auto data = m_transfer.read(offer->offer, format))
                    text = QString::fromUtf8(*data);
                break;
            }
        }
        if (m_primaryChanges == changesBefore)
            m_primary = std::move(offer);
    }
    emit primaryTextRead(requestId, text);
}

void WaylandClipboardReader::readContent(const WaylandSelectionOffers::Offer &offer, DataControlSnapshot &snapshot)
{
    snapshot.read(offer.mimeTypes, [&](const QString &format) { return m_transfer.read(offer.offer, format); });
}
