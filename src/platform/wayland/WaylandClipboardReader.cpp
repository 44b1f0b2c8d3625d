#include "WaylandClipboardReader.h"

#include <wlr-data-control-unstable-v1-client.h>

#include <QLoggingCategory>
#include <QMutexLocker>

#include <wayland-client.h>

#include <fcntl.h>
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

using SteadyClock = std::chrono::steady_clock;

// A program that asked for our selection and stopped reading it gets this long before its pipe is
// closed; the data stays available for its next request.
constexpr std::chrono::seconds transferTimeout{10};
constexpr qsizetype readChunk = 1024 * 1024;

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

struct WaylandClipboardReader::Offer {
    zwlr_data_control_offer_v1 *offer = nullptr;
    QStringList mimeTypes;
};

struct WaylandClipboardReader::Source {
    WaylandClipboardReader *reader = nullptr;
    zwlr_data_control_source_v1 *source = nullptr;
    MimeFormats formats;
};

void WaylandClipboardReader::Deleter::operator()(Offer *offer) const
{
    zwlr_data_control_offer_v1_destroy(offer->offer);
    delete offer;
}

struct DataControlListeners {
    using Reader = WaylandClipboardReader;

    static void global(
        void *data, wl_registry *registry, std::uint32_t name, const char *interface, std::uint32_t version)
    {
        static_cast<Reader *>(data)->noteGlobal(registry, name, interface, version);
    }
    static void globalRemove(void *, wl_registry *, std::uint32_t) { }
    static void offerMimeType(void *data, zwlr_data_control_offer_v1 *, const char *mimeType)
    {
        static_cast<Reader::Offer *>(data)->mimeTypes.append(QString::fromUtf8(mimeType));
    }
    static void dataOffer(void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer)
    {
        static_cast<Reader *>(data)->noteDataOffer(offer);
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
    static void send(void *data, zwlr_data_control_source_v1 *, const char *mimeType, std::int32_t fd)
    {
        auto *source = static_cast<Reader::Source *>(data);
        source->reader->serve(source, mimeType, fd);
    }
    static void cancelled(void *data, zwlr_data_control_source_v1 *)
    {
        auto *source = static_cast<Reader::Source *>(data);
        source->reader->noteCancelled(source);
    }

    static const wl_registry_listener registryListener;
    static const zwlr_data_control_offer_v1_listener offerListener;
    static const zwlr_data_control_device_v1_listener deviceListener;
    static const zwlr_data_control_source_v1_listener sourceListener;
};

const wl_registry_listener DataControlListeners::registryListener = {global, globalRemove};
const zwlr_data_control_offer_v1_listener DataControlListeners::offerListener = {offerMimeType};
const zwlr_data_control_device_v1_listener DataControlListeners::deviceListener
    = {dataOffer, selection, finished, primarySelection};
const zwlr_data_control_source_v1_listener DataControlListeners::sourceListener = {send, cancelled};

WaylandClipboardReader::WaylandClipboardReader(const ClipboardReadLimits &limits, const QByteArray &displayName)
    : m_limits(limits)
    // Every selection this program sets lists this type, so its echo is told apart from another
    // program's copy however the two interleave.
    , m_ownMarker("application/x-quillbox-source-" + QByteArray::number(::getpid()))
{
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_display = wl_display_connect(displayName.isEmpty() ? nullptr : displayName.constData());
    if (!m_display || m_wakeFd < 0) {
        qCWarning(lcReader) << "cannot connect to the Wayland compositor; clipboard changes will not be seen";
        return;
    }
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &DataControlListeners::registryListener, this);
    if (wl_display_roundtrip(m_display) < 0 || !m_seat || !m_manager) {
        qCWarning(lcReader) << "the compositor offers no data-control; clipboard changes will not be seen";
        return;
    }
    m_device = zwlr_data_control_manager_v1_get_data_device(m_manager, m_seat);
    zwlr_data_control_device_v1_add_listener(m_device, &DataControlListeners::deviceListener, this);
    // The device announces the selections at once: the content found at start-up.
    if (wl_display_roundtrip(m_display) < 0)
        m_connectionLost = true;
    m_startingUp = false;
}

WaylandClipboardReader::~WaylandClipboardReader()
{
    for (const Transfer &transfer : m_transfers)
        ::close(transfer.fd);
    m_pending.reset();
    m_primary.reset();
    m_announced.clear();
    for (const auto &source : m_sources)
        zwlr_data_control_source_v1_destroy(source->source);
    if (m_device)
        zwlr_data_control_device_v1_destroy(m_device);
    if (m_manager)
        zwlr_data_control_manager_v1_destroy(m_manager);
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display)
        wl_display_disconnect(m_display);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void WaylandClipboardReader::noteGlobal(
    wl_registry *registry, std::uint32_t name, const char *interface, std::uint32_t version)
{
    const std::string_view offered(interface);
    if (offered == wl_seat_interface.name && !m_seat) {
        m_seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (offered == zwlr_data_control_manager_v1_interface.name) {
        m_managerVersion = std::min<std::uint32_t>(version, 2);
        m_manager = static_cast<zwlr_data_control_manager_v1 *>(
            wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, m_managerVersion));
    }
}

void WaylandClipboardReader::noteDataOffer(zwlr_data_control_offer_v1 *offer)
{
    auto *state = new Offer{offer, {}};
    zwlr_data_control_offer_v1_add_listener(offer, &DataControlListeners::offerListener, state);
    m_announced.emplace_back(state);
}

WaylandClipboardReader::OfferPtr WaylandClipboardReader::takeOffer(zwlr_data_control_offer_v1 *offer)
{
    const auto it = std::find_if(m_announced.begin(), m_announced.end(),
        [offer](const OfferPtr &candidate) { return candidate->offer == offer; });
    if (it == m_announced.end())
        return nullptr;
    OfferPtr taken = std::move(*it);
    m_announced.erase(it);
    return taken;
}

bool WaylandClipboardReader::isOwn(const Offer &offer) const
{
    return offer.mimeTypes.contains(QString::fromLatin1(m_ownMarker));
}

void WaylandClipboardReader::noteSelection(zwlr_data_control_offer_v1 *offer, bool primary)
{
    OfferPtr taken = takeOffer(offer);
    const bool own = taken && isOwn(*taken);
    if (primary) {
        ++m_primaryChanges;
        // Our own selection is never read back: the answer would come from our own thread.
        m_primary = own ? nullptr : std::move(taken);
        if (m_primary)
            emit primarySelectionChanged();
        return;
    }
    if (m_readingClipboard)
        m_abort = Abort::superseded;
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

void WaylandClipboardReader::serve(Source *source, const char *mimeType, int fd)
{
    const auto it = source->formats.constFind(QString::fromUtf8(mimeType));
    if (it == source->formats.cend() || ::fcntl(fd, F_SETFL, O_NONBLOCK) != 0) {
        ::close(fd);
        return;
    }
    m_transfers.push_back({fd, *it, 0, SteadyClock::now()});
}

void WaylandClipboardReader::noteCancelled(Source *source)
{
    zwlr_data_control_source_v1_destroy(source->source);
    m_sources.remove_if([source](const std::unique_ptr<Source> &candidate) { return candidate.get() == source; });
}

void WaylandClipboardReader::setSelection(const MimeFormats &formats, bool primary)
{
    {
        QMutexLocker lock(&m_requestMutex);
        m_writes.append({formats, primary});
    }
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

void WaylandClipboardReader::makePendingWrites()
{
    QList<Write> writes;
    {
        QMutexLocker lock(&m_requestMutex);
        writes.swap(m_writes);
    }
    for (const Write &write : writes) {
        if (write.primary && !hasPrimarySelection())
            continue;
        auto source = std::make_unique<Source>();
        source->reader = this;
        source->formats = withTextAliases(write.formats);
        source->formats.insert(QString::fromLatin1(m_ownMarker), {});
        source->source = zwlr_data_control_manager_v1_create_data_source(m_manager);
        zwlr_data_control_source_v1_add_listener(source->source, &DataControlListeners::sourceListener, source.get());
        for (auto it = source->formats.cbegin(); it != source->formats.cend(); ++it)
            zwlr_data_control_source_v1_offer(source->source, it.key().toUtf8().constData());
        if (write.primary)
            zwlr_data_control_device_v1_set_primary_selection(m_device, source->source);
        else
            zwlr_data_control_device_v1_set_selection(m_device, source->source);
        m_sources.push_back(std::move(source));
    }
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
        makePendingWrites();
        if (m_pending) {
            Change change = std::move(*m_pending);
            m_pending.reset();
            readChange(std::move(change));
        } else if (const auto request = takePrimaryRequest()) {
            readPrimary(*request);
        } else {
            m_abort.reset();
            wait(-1, 0, m_transfers.empty() ? -1 : 1000);
        }
    }
    if (m_connectionLost)
        qCWarning(lcReader) << "lost the Wayland connection; clipboard changes are no longer seen";
}

short WaylandClipboardReader::wait(int fd, short events, int timeoutMs)
{
    int dispatched = 0;
    while (wl_display_prepare_read(m_display) != 0) {
        const int count = wl_display_dispatch_pending(m_display);
        if (count < 0) {
            m_connectionLost = true;
            return 0;
        }
        dispatched += count;
    }
    if (wl_display_flush(m_display) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(m_display);
        m_connectionLost = true;
        return 0;
    }

    std::vector<pollfd> fds = {{wl_display_get_fd(m_display), POLLIN, 0}, {m_wakeFd, POLLIN, 0}, {fd, events, 0}};
    std::vector<std::list<Transfer>::iterator> served;
    for (auto it = m_transfers.begin(); it != m_transfers.end(); ++it) {
        fds.push_back({it->fd, POLLOUT, 0});
        served.push_back(it);
    }
    // Events dispatched just now may be what the caller waits for: it looks before anyone sleeps.
    const bool interesting = dispatched > 0 || m_abort || m_stopping;
    if (poll(fds.data(), fds.size(), interesting ? 0 : timeoutMs) < 0 && errno != EINTR) {
        qCWarning(lcReader) << "poll failed:" << std::strerror(errno);
        wl_display_cancel_read(m_display);
        m_connectionLost = true;
        return 0;
    }
    if (fds[0].revents & POLLIN) {
        if (wl_display_read_events(m_display) < 0 || wl_display_dispatch_pending(m_display) < 0) {
            m_connectionLost = true;
            return 0;
        }
    } else {
        wl_display_cancel_read(m_display);
        if (fds[0].revents & (POLLERR | POLLHUP)) {
            m_connectionLost = true;
            return 0;
        }
    }
    if (fds[1].revents & POLLIN) {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto drained = ::read(m_wakeFd, &count, sizeof count);
        // A paste must not wait for a stalled program's read to time out.
        makePendingWrites();
    }
    for (std::size_t i = 0; i < served.size(); ++i)
        serveTransfer(served[i], fds[3 + i].revents);
    return fds[2].revents;
}

void WaylandClipboardReader::serveTransfer(std::list<Transfer>::iterator transfer, short revents)
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

void WaylandClipboardReader::readChange(Change change)
{
    DataControlSnapshot snapshot;
    snapshot.counted = change.counted;
    if (!change.offer) {
        snapshot.empty = true;
        emit contentRead(snapshot);
        return;
    }
    beginRead();
    m_readingClipboard = true;
    readContent(*change.offer, snapshot);
    m_readingClipboard = false;

    if (m_abort && *m_abort != Abort::timeout && *m_abort != Abort::tooLarge)
        return;
    if (m_abort == Abort::timeout)
        qCWarning(lcReader) << "the program that copied stopped answering; keeping what it sent";
    if (m_abort == Abort::tooLarge)
        qCWarning(lcReader).nospace() << "the program that copied sent more than "
                                      << m_limits.maxChangeBytes / (1024 * 1024) << " MB; the rest is not read";
    emit contentRead(snapshot);
}

void WaylandClipboardReader::beginRead()
{
    m_abort.reset();
    m_readStart = m_lastAnswer = SteadyClock::now();
    m_changeBytes = 0;
}

// Programs offer the selected text as a primary selection of their own; we cannot tell whose, so the
// newest one not set by us is what is selected.
void WaylandClipboardReader::readPrimary(quint64 requestId)
{
    std::optional<QString> text;
    OfferPtr offer = std::move(m_primary);
    const quint64 changesBefore = m_primaryChanges;
    if (offer) {
        beginRead();
        for (const QString &format : {utf8TextFormat, utf8StringFormat, plainTextFormat}) {
            if (offer->mimeTypes.contains(format)) {
                if (const auto data = readFormat(*offer, format))
                    text = QString::fromUtf8(*data);
                break;
            }
        }
        if (m_primaryChanges == changesBefore)
            m_primary = std::move(offer);
    }
    emit primaryTextRead(requestId, text);
}

void WaylandClipboardReader::readContent(const Offer &offer, DataControlSnapshot &snapshot)
{
    MimeFormats &formats = snapshot.formats;
    const QStringList &names = offer.mimeTypes;

    const QString &hint = PasteboardItem::passwordHintFormat;
    if (names.contains(hint)) {
        // A hint that is not handed over counts as "secret": the copy is skipped, never kept on trust.
        const auto value = readFormat(offer, hint);
        formats.insert(hint, value ? *value : QByteArrayLiteral("secret"));
        if (PasteboardItem(formats).isConcealed())
            return;
    }
    for (const QString &format : PasteboardItem::textFormatsToRead(names)) {
        if (format == hint)
            continue;
        if (const auto data = readFormat(offer, format))
            formats.insert(format, *data);
    }
    snapshot.image
        = PasteboardImage::extractPng(names, [&](const QString &format) { return readFormat(offer, format); });
}

std::optional<QByteArray> WaylandClipboardReader::readFormat(const Offer &offer, const QString &mimeType)
{
    if (m_abort)
        return std::nullopt;
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qCWarning(lcReader) << "cannot make a pipe:" << std::strerror(errno);
        return std::nullopt;
    }
    // The request carries a duplicate of the write end; ours is closed so the end of the data shows.
    zwlr_data_control_offer_v1_receive(offer.offer, mimeType.toUtf8().constData(), pipe[1]);
    ::close(pipe[1]);

    QByteArray data;
    std::optional<QByteArray> result;
    while (!m_abort) {
        if (m_stopping) {
            m_abort = Abort::stopped;
            break;
        }
        if (m_connectionLost) {
            m_abort = Abort::connectionLost;
            break;
        }
        const auto deadline = std::min(m_lastAnswer + answerTimeout, m_readStart + readTimeout);
        const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now());
        if (remaining.count() <= 0) {
            m_abort = Abort::timeout;
            break;
        }
        const short revents = wait(pipe[0], POLLIN, int(remaining.count()));
        if (!(revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        bool ended = false;
        for (;;) {
            const qsizetype before = data.size();
            data.resize(before + readChunk);
            const ssize_t count = ::read(pipe[0], data.data() + before, readChunk);
            data.resize(before + std::max<ssize_t>(count, 0));
            if (count > 0) {
                m_lastAnswer = SteadyClock::now();
                if (!withinBound(count))
                    break;
                continue;
            }
            if (count < 0 && errno == EINTR)
                continue;
            ended = count == 0 || errno != EAGAIN;
            if (ended && count == 0)
                result = std::move(data);
            break;
        }
        if (ended)
            break;
    }
    ::close(pipe[0]);
    return result;
}

bool WaylandClipboardReader::withinBound(qsizetype bytes)
{
    m_changeBytes += bytes;
    if (m_changeBytes <= m_limits.maxChangeBytes)
        return true;
    m_abort = Abort::tooLarge;
    return false;
}
