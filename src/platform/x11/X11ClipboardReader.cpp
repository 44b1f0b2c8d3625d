#include "X11ClipboardReader.h"
#include "QtX11Connection.h"
#include "X11ClientNames.h"
#include "X11ClipboardManager.h"
#include "X11TargetNames.h"
#include "capture/CopySourceFilter.h"

#include <QLoggingCategory>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

Q_LOGGING_CATEGORY(lcReader, "quillbox.pasteboard.reader", QtInfoMsg)

} // namespace

X11ClipboardReader::X11ClipboardReader(std::uint32_t ownIdBase, std::uint32_t ownIdMask,
    const ClipboardReadLimits &limits, std::shared_ptr<const CopySourceFilter> neverRecorded,
    const QByteArray &displayName)
    : m_ownIdBase(ownIdBase)
    , m_ownIdMask(ownIdMask)
    , m_budget(limits)
    , m_neverRecorded(std::move(neverRecorded))
{
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    xcb_connection_t *connection = xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), nullptr);
    if (xcb_connection_has_error(connection)) {
        qCWarning(lcReader) << "cannot connect to the X server; clipboard changes will not be seen";
        xcb_disconnect(connection);
        return;
    }
    m_connection = connection;
    m_targetNames = std::make_unique<X11TargetNames>(m_connection, limits.maxCachedAtomNames);
    if (m_wakeFd < 0 || !subscribe()) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
    }
}

X11ClipboardReader::~X11ClipboardReader()
{
    if (m_connection)
        xcb_disconnect(m_connection);
    if (m_wakeFd >= 0)
        close(m_wakeFd);
}

bool X11ClipboardReader::isOwnWindow(std::uint32_t window) const
{
    return window != XCB_NONE && m_ownIdMask != 0 && (window & ~m_ownIdMask) == m_ownIdBase;
}

bool X11ClipboardReader::isClipboardManager() const
{
    return m_connection && m_manager->isActive();
}

void X11ClipboardReader::requestPrimaryText(quint64 requestId, std::uint32_t window)
{
    {
        QMutexLocker lock(&m_primaryMutex);
        m_primaryRequests.append({requestId, window});
    }
    const std::uint64_t one = 1;
    if (m_wakeFd >= 0 && write(m_wakeFd, &one, sizeof one) < 0)
        qCWarning(lcReader) << "cannot wake the reader:" << std::strerror(errno);
}

std::optional<X11ClipboardReader::PrimaryRequest> X11ClipboardReader::takePrimaryRequest()
{
    QMutexLocker lock(&m_primaryMutex);
    if (m_primaryRequests.isEmpty())
        return std::nullopt;
    return m_primaryRequests.takeFirst();
}

bool X11ClipboardReader::subscribe()
{
    m_clipboardAtom = ::internAtom(m_connection, "CLIPBOARD");
    m_utf8StringAtom = ::internAtom(m_connection, "UTF8_STRING");
    m_window = createPropertyWindow(m_connection);
    m_transfer = std::make_unique<X11SelectionTransfer>(
        m_connection, m_budget, [this](const X11SelectionTransfer::Accept &accept) { return waitForEvent(accept); });
    m_manager = std::make_unique<X11ClipboardManager>(m_connection, m_window);
    if (!m_clipboardAtom || !m_utf8StringAtom || !m_transfer->isValid() || !m_manager->isValid())
        return false;

    const xcb_query_extension_reply_t *xfixes = xcb_get_extension_data(m_connection, &xcb_xfixes_id);
    if (!xfixes || !xfixes->present) {
        qCWarning(lcReader) << "the X server lacks XFixes; clipboard changes will not be seen";
        return false;
    }
    // The server ignores every other XFixes request until the version is negotiated.
    XcbReply<xcb_xfixes_query_version_reply_t> version(
        xcb_xfixes_query_version_reply(m_connection, xcb_xfixes_query_version(m_connection, 5, 0), nullptr));
    if (!version)
        return false;
    m_xfixesFirstEvent = xfixes->first_event;

    // Checked, so that the subscription is in force once the constructor returns.
    const std::uint32_t selectionMask = XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
        | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
        | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE;
    XcbReply<xcb_generic_error_t> error(xcb_request_check(m_connection,
        xcb_xfixes_select_selection_input_checked(m_connection, m_window, m_clipboardAtom, selectionMask)));
    if (error) {
        qCWarning(lcReader) << "cannot watch the clipboard owner, X error" << error->error_code;
        return false;
    }
    m_manager->claim();
    return true;
}

void X11ClipboardReader::run()
{
    if (!m_connection)
        return;
    m_pending = OwnerChange{selectionOwner(m_connection, m_clipboardAtom), XCB_CURRENT_TIME, false};
    while (!m_stopping) {
        if (m_pending) {
            const OwnerChange change = *m_pending;
            m_pending.reset();
            readChange(change);
        } else if (m_readPassedOver.exchange(false)) {
            // The owner now is the one passed over, or a newer one that was passed over too: no
            // change was read since.
            m_pending = OwnerChange{selectionOwner(m_connection, m_clipboardAtom), XCB_CURRENT_TIME, false};
        } else if (const auto request = takePrimaryRequest()) {
            readPrimary(*request);
        } else {
            // What the clipboard holds now has been read: programs waiting to hand it over may go.
            m_manager->answerSaveRequests();
            waitForChange();
        }
        if (m_budget.aborted() == Abort::connectionLost) {
            qCWarning(lcReader) << "lost the X connection; clipboard changes are no longer seen";
            return;
        }
    }
}

void X11ClipboardReader::readPassedOver()
{
    m_readPassedOver = true;
    const std::uint64_t one = 1;
    if (m_wakeFd >= 0 && write(m_wakeFd, &one, sizeof one) < 0)
        qCWarning(lcReader) << "cannot wake the reader:" << std::strerror(errno);
}

void X11ClipboardReader::stop()
{
    m_stopping = true;
    const std::uint64_t one = 1;
    if (m_wakeFd >= 0 && write(m_wakeFd, &one, sizeof one) < 0)
        qCWarning(lcReader) << "cannot wake the reader:" << std::strerror(errno);
}

bool X11ClipboardReader::noteEvent(const xcb_generic_event_t *event)
{
    // Idle, the current content is read already; otherwise a handover waits for the read.
    if (m_manager->handle(event, !m_transfer->isOpen() && !m_pending))
        return false;
    return noteOwnerChange(event);
}

bool X11ClipboardReader::noteOwnerChange(const xcb_generic_event_t *event)
{
    if ((event->response_type & 0x7f) != m_xfixesFirstEvent + XCB_XFIXES_SELECTION_NOTIFY)
        return false;
    const auto *notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t *>(event);
    // A destroyed owner window or a closed owner connection leaves the selection without owner.
    const bool ownerGone = notify->subtype != XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER;
    const std::uint32_t owner = ownerGone ? XCB_NONE : notify->owner;
    // Our own changes are reported as they are seen, never coalesced with later ones: the pasteboard
    // matches each of its writes against these reports to tell stale snapshots apart.
    if (isOwnWindow(owner)) {
        ClipboardSnapshot snapshot;
        snapshot.owner = owner;
        emit contentRead(snapshot);
    }
    m_pending = OwnerChange{owner, notify->selection_timestamp, true, ownerGone};
    return true;
}

X11ClipboardReader::EventPtr X11ClipboardReader::waitForEvent(const X11SelectionTransfer::Accept &accept)
{
    const int connectionFd = xcb_get_file_descriptor(m_connection);
    for (;;) {
        while (xcb_generic_event_t *raw = xcb_poll_for_event(m_connection)) {
            EventPtr event(raw, std::free);
            // A clipboard change ends the wait for one and makes a clipboard read in progress stale; a
            // PRIMARY read goes on, and the change is read after it.
            if (noteEvent(event.get()) && (!m_transfer->isOpen() || m_transfer->selection() == m_clipboardAtom)) {
                m_budget.abort(Abort::superseded);
                return EventPtr(nullptr, std::free);
            }
            if (accept(event.get()))
                return event;
        }
        if (xcb_connection_has_error(m_connection)) {
            m_budget.abort(Abort::connectionLost);
            return EventPtr(nullptr, std::free);
        }
        if (m_stopping) {
            m_budget.abort(Abort::stopped);
            return EventPtr(nullptr, std::free);
        }

        int timeoutMs = -1;
        if (m_transfer->isOpen()) {
            const auto remaining = m_budget.remainingMs();
            if (!remaining)
                return EventPtr(nullptr, std::free);
            timeoutMs = *remaining;
        }
        // Nothing to wait for but a change, and a request for PRIMARY has come in.
        if (!m_transfer->isOpen() && m_wakeRequested) {
            m_wakeRequested = false;
            return EventPtr(nullptr, std::free);
        }
        pollfd fds[] = {{connectionFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        if (poll(fds, 2, timeoutMs) < 0 && errno != EINTR) {
            qCWarning(lcReader) << "poll failed:" << std::strerror(errno);
            m_budget.abort(Abort::connectionLost);
            return EventPtr(nullptr, std::free);
        }
        if (fds[1].revents & POLLIN) {
            std::uint64_t count = 0;
            if (read(m_wakeFd, &count, sizeof count) == sizeof count)
                m_wakeRequested = true;
        }
    }
}

void X11ClipboardReader::waitForChange()
{
    m_budget.clearAbort();
    {
        QMutexLocker lock(&m_primaryMutex);
        if (!m_primaryRequests.isEmpty())
            return;
    }
    waitForEvent([](const xcb_generic_event_t *) { return false; });
}

bool X11ClipboardReader::superseded()
{
    while (xcb_generic_event_t *raw = xcb_poll_for_event(m_connection)) {
        const EventPtr event(raw, std::free);
        if (noteEvent(event.get()))
            return true;
    }
    return false;
}

// Programs give the selection's owner window an id of their own connection's range, so a PRIMARY
// owned by the focused window's client is that program's selection; any other is a stale one.
void X11ClipboardReader::readPrimary(const PrimaryRequest &request)
{
    m_budget.clearAbort();
    std::optional<QString> text;
    const std::uint32_t owner = selectionOwner(m_connection, XCB_ATOM_PRIMARY);
    const auto client = [mask = m_ownIdMask](std::uint32_t window) { return window & ~mask; };
    if (owner != XCB_NONE && !isOwnWindow(owner) && request.window != XCB_NONE && m_ownIdMask != 0
        && client(owner) == client(request.window)) {
        m_transfer->begin(XCB_ATOM_PRIMARY, XCB_CURRENT_TIME);
        if (const auto data = m_transfer->read(m_utf8StringAtom))
            text = QString::fromUtf8(*data);
        m_transfer->end();
    }
    emit primaryTextRead(request.id, text);
}

void X11ClipboardReader::readChange(const OwnerChange &change)
{
    m_budget.clearAbort();
    ClipboardSnapshot snapshot;
    snapshot.owner = change.owner;
    snapshot.counted = change.counted;
    snapshot.ownerGone = change.ownerGone;
    if (change.owner == XCB_NONE) {
        emit contentRead(snapshot);
        return;
    }
    // Our own content is known to the pasteboard already; it was reported when the change was seen.
    if (isOwnWindow(change.owner))
        return;
    if (m_readsContent && m_neverRecorded && !m_neverRecorded->isEmpty()
        && m_neverRecorded->excludes(X11ClientNames::of(m_connection, change.owner, m_ownIdMask))) {
        snapshot.conceal();
        if (!superseded())
            emit contentRead(snapshot);
        return;
    }

    m_transfer->begin(m_clipboardAtom, change.time);
    readContent(snapshot);
    m_transfer->end();

    if (!m_budget.keepsWhatWasRead())
        return;
    const auto abort = m_budget.aborted();
    if (!abort && superseded())
        return; // read to the end, but the clipboard has moved on meanwhile
    if (abort == Abort::timeout)
        qCWarning(lcReader).nospace() << "the clipboard owner 0x" << Qt::hex << change.owner
                                      << " stopped answering; keeping what it sent";
    if (abort == Abort::tooLarge)
        qCWarning(lcReader).nospace() << "the clipboard owner 0x" << Qt::hex << change.owner << " sent more than "
                                      << Qt::dec << m_budget.maxChangeBytes() / (1024 * 1024)
                                      << " MB for one copy; the rest is not read";
    emit contentRead(snapshot);
}

void X11ClipboardReader::readContent(ClipboardSnapshot &snapshot)
{
    if (!m_readsContent) {
        snapshot.unread = true;
        return;
    }
    const QHash<QString, std::uint32_t> offered = readTargets();
    snapshot.read(offered.keys(), [&](const QString &format) -> std::optional<QByteArray> {
        const std::uint32_t atom = offered.value(format);
        return atom ? m_transfer->read(atom) : std::nullopt;
    });
}

QHash<QString, std::uint32_t> X11ClipboardReader::readTargets()
{
    if (const auto targets = m_transfer->readTargets())
        return m_targetNames->offered(*targets);
    // An owner that refuses TARGETS may still serve plain text.
    if (m_budget.aborted())
        return {};
    return {{QStringLiteral("UTF8_STRING"), m_utf8StringAtom}};
}
