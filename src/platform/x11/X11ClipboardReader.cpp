#include "X11ClipboardReader.h"
#include "QtX11Connection.h"

#include "capture/PasteboardImage.h"

#include <QElapsedTimer>
#include <QLoggingCategory>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace {

Q_LOGGING_CATEGORY(lcReader, "quillbox.pasteboard.reader", QtInfoMsg)

using Clock = std::chrono::steady_clock;

// An owner may list any number of targets; real ones offer a few dozen at most.
constexpr std::size_t maxTargets = 1024;
// get_property length in 32-bit units: everything the property holds, so delete=1 always applies.
constexpr std::uint32_t wholeProperty = 0x1fffffff;

QByteArray propertyBytes(const xcb_get_property_reply_t *reply)
{
    return QByteArray(static_cast<const char *>(xcb_get_property_value(reply)), xcb_get_property_value_length(reply));
}

} // namespace

X11ClipboardReader::X11ClipboardReader(
    std::uint32_t ownIdBase, std::uint32_t ownIdMask, const ClipboardReadLimits &limits, const QByteArray &displayName)
    : m_ownIdBase(ownIdBase)
    , m_ownIdMask(ownIdMask)
    , m_limits(limits)
{
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    xcb_connection_t *connection = xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), nullptr);
    if (xcb_connection_has_error(connection)) {
        qCWarning(lcReader) << "cannot connect to the X server; clipboard changes will not be seen";
        xcb_disconnect(connection);
        return;
    }
    m_connection = connection;
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
    m_targetsAtom = ::internAtom(m_connection, "TARGETS");
    m_incrAtom = ::internAtom(m_connection, "INCR");
    m_utf8StringAtom = ::internAtom(m_connection, "UTF8_STRING");
    m_propertyAtom = ::internAtom(m_connection, "QUILLBOX_SELECTION");
    m_primaryAtom = XCB_ATOM_PRIMARY;
    m_managerAtom = ::internAtom(m_connection, "CLIPBOARD_MANAGER");
    m_saveTargetsAtom = ::internAtom(m_connection, "SAVE_TARGETS");
    m_nullAtom = ::internAtom(m_connection, "NULL");
    if (!m_clipboardAtom || !m_targetsAtom || !m_incrAtom || !m_utf8StringAtom || !m_propertyAtom || !m_managerAtom
        || !m_saveTargetsAtom || !m_nullAtom)
        return false;

    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    m_window = xcb_generate_id(m_connection);
    const std::uint32_t eventMask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0,
        XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &eventMask);

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
    becomeClipboardManager();
    return true;
}

// On X11 a clipboard lives only as long as the program that owns it. A clipboard manager keeps it:
// programs hand their content over on exit, and the history's newest item stands in once its owner
// is gone. Only one manager can run; an existing one is left in charge.
void X11ClipboardReader::becomeClipboardManager()
{
    if (currentOwner(m_managerAtom) != XCB_NONE) {
        qCInfo(lcReader) << "another clipboard manager runs; it keeps the clipboard when programs exit";
        return;
    }
    xcb_set_selection_owner(m_connection, m_window, m_managerAtom, XCB_CURRENT_TIME);
    if (currentOwner(m_managerAtom) != m_window)
        return;
    m_isManager = true;
    // Announced as ICCCM asks of every manager selection.
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    xcb_client_message_event_t announcement = {};
    announcement.response_type = XCB_CLIENT_MESSAGE;
    announcement.format = 32;
    announcement.window = screen->root;
    announcement.type = ::internAtom(m_connection, "MANAGER");
    announcement.data.data32[0] = XCB_CURRENT_TIME;
    announcement.data.data32[1] = m_managerAtom;
    announcement.data.data32[2] = m_window;
    xcb_send_event(
        m_connection, 0, screen->root, XCB_EVENT_MASK_STRUCTURE_NOTIFY, reinterpret_cast<const char *>(&announcement));
    xcb_flush(m_connection);
}

std::uint32_t X11ClipboardReader::currentOwner(std::uint32_t selection) const
{
    XcbReply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, selection), nullptr));
    return reply ? reply->owner : static_cast<xcb_window_t>(XCB_NONE);
}

void X11ClipboardReader::run()
{
    if (!m_connection)
        return;
    m_pending = OwnerChange{currentOwner(m_clipboardAtom), XCB_CURRENT_TIME, false};
    while (!m_stopping) {
        if (m_pending) {
            const OwnerChange change = *m_pending;
            m_pending.reset();
            readChange(change);
        } else if (const auto request = takePrimaryRequest()) {
            readPrimary(*request);
        } else {
            // What the clipboard holds now has been read: programs waiting to hand it over may go.
            answerSaveRequests();
            waitForChange();
        }
        if (m_abort == Abort::connectionLost) {
            qCWarning(lcReader) << "lost the X connection; clipboard changes are no longer seen";
            return;
        }
    }
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
    switch (event->response_type & 0x7f) {
    case XCB_SELECTION_REQUEST:
        noteSelectionRequest(reinterpret_cast<const xcb_selection_request_event_t *>(event));
        return false;
    case XCB_SELECTION_CLEAR:
        if (reinterpret_cast<const xcb_selection_clear_event_t *>(event)->selection == m_managerAtom) {
            qCInfo(lcReader) << "another clipboard manager took over";
            m_isManager = false;
        }
        return false;
    default:
        return noteOwnerChange(event);
    }
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

void X11ClipboardReader::noteSelectionRequest(const xcb_selection_request_event_t *request)
{
    if (request->selection != m_managerAtom || !m_isManager) {
        answerSelectionRequest(*request, XCB_NONE);
        return;
    }
    if (request->target == m_saveTargetsAtom) {
        m_saveRequests.append(*request);
        // Idle, the current content is read already; otherwise the answer waits for the read.
        if (m_requestor == XCB_NONE && !m_pending)
            answerSaveRequests();
        return;
    }
    if (request->target == m_targetsAtom) {
        const std::uint32_t targets[] = {m_targetsAtom, m_saveTargetsAtom};
        xcb_change_property(
            m_connection, XCB_PROP_MODE_REPLACE, request->requestor, request->property, XCB_ATOM_ATOM, 32, 2, targets);
        answerSelectionRequest(*request, request->property);
        return;
    }
    answerSelectionRequest(*request, XCB_NONE);
}

void X11ClipboardReader::answerSelectionRequest(const xcb_selection_request_event_t &request, std::uint32_t property)
{
    xcb_selection_notify_event_t notify = {};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = property;
    xcb_send_event(
        m_connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&notify));
    xcb_flush(m_connection);
}

// The content was read when its owner took the clipboard, so there is nothing left to fetch: the
// answer tells the program it may exit.
void X11ClipboardReader::answerSaveRequests()
{
    for (const xcb_selection_request_event_t &request : std::exchange(m_saveRequests, {})) {
        // Clients older than ICCCM 2.0 name no property; the target stands in.
        const std::uint32_t property = request.property != XCB_NONE ? request.property : request.target;
        xcb_change_property(
            m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property, m_nullAtom, 32, 0, nullptr);
        answerSelectionRequest(request, property);
    }
}

template <typename Accept> X11ClipboardReader::EventPtr X11ClipboardReader::waitForEvent(Accept accept)
{
    const int connectionFd = xcb_get_file_descriptor(m_connection);
    for (;;) {
        while (xcb_generic_event_t *raw = xcb_poll_for_event(m_connection)) {
            EventPtr event(raw, std::free);
            // A clipboard change ends the wait for one and makes a clipboard read in progress stale; a
            // PRIMARY read goes on, and the change is read after it.
            if (noteEvent(event.get()) && (m_requestor == XCB_NONE || m_selection == m_clipboardAtom)) {
                m_abort = Abort::superseded;
                return EventPtr(nullptr, std::free);
            }
            if (accept(event.get()))
                return event;
        }
        if (xcb_connection_has_error(m_connection)) {
            m_abort = Abort::connectionLost;
            return EventPtr(nullptr, std::free);
        }
        if (m_stopping) {
            m_abort = Abort::stopped;
            return EventPtr(nullptr, std::free);
        }

        int timeoutMs = -1;
        if (m_requestor != XCB_NONE) {
            const auto deadline = std::min(m_lastAnswer + answerTimeout, m_readStart + readTimeout);
            const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (remaining.count() <= 0) {
                m_abort = Abort::timeout;
                return EventPtr(nullptr, std::free);
            }
            timeoutMs = static_cast<int>(remaining.count());
        }
        // Nothing to wait for but a change, and a request for PRIMARY has come in.
        if (m_requestor == XCB_NONE && m_wakeRequested) {
            m_wakeRequested = false;
            return EventPtr(nullptr, std::free);
        }
        pollfd fds[] = {{connectionFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        if (poll(fds, 2, timeoutMs) < 0 && errno != EINTR) {
            qCWarning(lcReader) << "poll failed:" << std::strerror(errno);
            m_abort = Abort::connectionLost;
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
    m_abort.reset();
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
    m_abort.reset();
    std::optional<QString> text;
    const std::uint32_t owner = currentOwner(m_primaryAtom);
    const auto client = [mask = m_ownIdMask](std::uint32_t window) { return window & ~mask; };
    if (owner != XCB_NONE && !isOwnWindow(owner) && request.window != XCB_NONE && m_ownIdMask != 0
        && client(owner) == client(request.window)) {
        beginRead(m_primaryAtom, XCB_CURRENT_TIME);
        if (const auto data = readTarget(m_utf8StringAtom))
            text = QString::fromUtf8(*data);
        endRead();
    }
    emit primaryTextRead(request.id, text);
}

void X11ClipboardReader::readChange(const OwnerChange &change)
{
    m_abort.reset();
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

    beginRead(m_clipboardAtom, change.time);
    readContent(snapshot);
    endRead();

    if (m_abort && *m_abort != Abort::timeout && *m_abort != Abort::tooLarge)
        return;
    if (!m_abort && superseded())
        return; // read to the end, but the clipboard has moved on meanwhile
    if (m_abort == Abort::timeout)
        qCWarning(lcReader).nospace() << "the clipboard owner 0x" << Qt::hex << change.owner
                                      << " stopped answering; keeping what it sent";
    if (m_abort == Abort::tooLarge)
        qCWarning(lcReader).nospace() << "the clipboard owner 0x" << Qt::hex << change.owner << " sent more than "
                                      << Qt::dec << m_limits.maxChangeBytes / (1024 * 1024)
                                      << " MB for one copy; the rest is not read";
    emit contentRead(snapshot);
}

// A fresh requestor window for every read: a stalled owner that wakes up later answers a window that
// no longer exists instead of writing into the next read.
void X11ClipboardReader::beginRead(std::uint32_t selection, std::uint32_t time)
{
    m_selection = selection;
    m_requestor = xcb_generate_id(m_connection);
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    const std::uint32_t eventMask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_requestor, screen->root, 0, 0, 1, 1, 0,
        XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &eventMask);
    m_requestTime = time;
    m_readStart = m_lastAnswer = Clock::now();
    m_changeBytes = 0;
}

void X11ClipboardReader::endRead()
{
    xcb_destroy_window(m_connection, m_requestor);
    xcb_flush(m_connection);
    m_requestor = XCB_NONE;
}

void X11ClipboardReader::readContent(ClipboardSnapshot &snapshot)
{
    MimeFormats &formats = snapshot.formats;
    const QHash<QString, std::uint32_t> offered = readTargets();
    const QStringList names = offered.keys();
    const auto read = [&](const QString &format) -> std::optional<QByteArray> {
        const std::uint32_t atom = offered.value(format);
        return atom ? readTarget(atom) : std::nullopt;
    };

    const QString &hint = PasteboardItem::passwordHintFormat;
    if (offered.contains(hint)) {
        // A hint that is not handed over counts as "secret": the copy is skipped, never kept on trust.
        const auto value = read(hint);
        formats.insert(hint, value ? *value : QByteArrayLiteral("secret"));
        // A secret is not even read.
        if (PasteboardItem(formats).isConcealed())
            return;
    }
    for (const QString &format : PasteboardItem::textFormatsToRead(names)) {
        if (format == hint)
            continue;
        if (const auto data = read(format))
            formats.insert(format, *data);
    }

    QElapsedTimer total;
    total.start();
    qint64 readingMs = 0;
    snapshot.image = PasteboardImage::extractPng(names, [&](const QString &format) {
        QElapsedTimer reading;
        reading.start();
        auto data = read(format);
        readingMs += reading.elapsed();
        return data;
    });
    if (snapshot.image)
        qCDebug(lcReader) << "image read in" << readingMs << "ms, converted to PNG in" << total.elapsed() - readingMs
                          << "ms";
}

QHash<QString, std::uint32_t> X11ClipboardReader::readTargets()
{
    QHash<QString, std::uint32_t> offered;
    const auto data = readTarget(m_targetsAtom);
    if (!data) {
        // An owner that refuses TARGETS may still serve plain text.
        if (!m_abort)
            offered.insert(QStringLiteral("UTF8_STRING"), m_utf8StringAtom);
        return offered;
    }

    std::vector<std::uint32_t> atoms(std::min<std::size_t>(data->size() / sizeof(std::uint32_t), maxTargets));
    std::memcpy(atoms.data(), data->constData(), atoms.size() * sizeof(std::uint32_t));

    // Names are fetched in one batch of requests; atoms live as long as the server, so they are cached,
    // up to a bound: an owner that offers new atoms on every change would grow the cache without end.
    if (m_atomNames.size() + qsizetype(atoms.size()) > m_limits.maxCachedAtomNames) {
        qCDebug(lcReader) << "forgetting" << m_atomNames.size() << "atom names: the cache is full";
        m_atomNames.clear();
    }
    std::vector<std::pair<std::uint32_t, xcb_get_atom_name_cookie_t>> lookups;
    for (const std::uint32_t atom : atoms) {
        if (atom != XCB_ATOM_NONE && !m_atomNames.contains(atom))
            lookups.emplace_back(atom, xcb_get_atom_name(m_connection, atom));
    }
    for (const auto &[atom, cookie] : lookups) {
        XcbReply<xcb_get_atom_name_reply_t> reply(xcb_get_atom_name_reply(m_connection, cookie, nullptr));
        if (reply)
            m_atomNames.insert(atom,
                QString::fromLatin1(xcb_get_atom_name_name(reply.get()), xcb_get_atom_name_name_length(reply.get())));
    }
    for (const std::uint32_t atom : atoms) {
        const QString name = m_atomNames.value(atom);
        if (!name.isEmpty())
            offered.insert(name, atom);
    }
    return offered;
}

std::optional<QByteArray> X11ClipboardReader::readTarget(std::uint32_t target)
{
    if (m_abort)
        return std::nullopt;
    xcb_convert_selection(m_connection, m_requestor, m_selection, target, m_propertyAtom, m_requestTime);
    xcb_flush(m_connection);
    const EventPtr event = waitForEvent([&](const xcb_generic_event_t *candidate) {
        if ((candidate->response_type & 0x7f) != XCB_SELECTION_NOTIFY)
            return false;
        const auto *notify = reinterpret_cast<const xcb_selection_notify_event_t *>(candidate);
        return notify->requestor == m_requestor && notify->selection == m_selection && notify->target == target;
    });
    if (!event)
        return std::nullopt;
    m_lastAnswer = Clock::now();
    const std::uint32_t property = reinterpret_cast<const xcb_selection_notify_event_t *>(event.get())->property;
    if (property == XCB_ATOM_NONE)
        return std::nullopt; // refused

    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(m_connection,
        xcb_get_property(m_connection, 1, m_requestor, property, XCB_GET_PROPERTY_TYPE_ANY, 0, wholeProperty),
        nullptr));
    if (!reply)
        return std::nullopt;
    if (reply->type != m_incrAtom) {
        if (!fitsTarget(target, *reply) || !withinBound(xcb_get_property_value_length(reply.get())))
            return std::nullopt;
        return propertyBytes(reply.get());
    }

    // INCR: deleting the property (done above) asks for the first chunk; each chunk arrives as a new
    // value of the property and is deleted in turn, until an empty one ends the transfer.
    QByteArray data;
    for (;;) {
        const EventPtr chunk = waitForEvent([&](const xcb_generic_event_t *candidate) {
            if ((candidate->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                return false;
            const auto *notify = reinterpret_cast<const xcb_property_notify_event_t *>(candidate);
            return notify->window == m_requestor && notify->atom == property && notify->state == XCB_PROPERTY_NEW_VALUE;
        });
        if (!chunk)
            return std::nullopt;
        m_lastAnswer = Clock::now();
        XcbReply<xcb_get_property_reply_t> part(xcb_get_property_reply(m_connection,
            xcb_get_property(m_connection, 1, m_requestor, property, XCB_GET_PROPERTY_TYPE_ANY, 0, wholeProperty),
            nullptr));
        if (!part)
            return std::nullopt;
        if (xcb_get_property_value_length(part.get()) == 0)
            return data;
        if (!fitsTarget(target, *part) || !withinBound(xcb_get_property_value_length(part.get())))
            return std::nullopt;
        data.append(propertyBytes(part.get()));
    }
}

bool X11ClipboardReader::fitsTarget(std::uint32_t target, const xcb_get_property_reply_t &reply) const
{
    if (target == m_targetsAtom)
        return reply.format == 32 && (reply.type == XCB_ATOM_ATOM || reply.type == m_targetsAtom);
    // Text and images travel as bytes; numbers or atoms in their place would be stored as garbage.
    const std::uint32_t numeric[] = {XCB_ATOM_ATOM, XCB_ATOM_INTEGER, XCB_ATOM_CARDINAL, XCB_ATOM_WINDOW,
        XCB_ATOM_DRAWABLE, XCB_ATOM_PIXMAP, XCB_ATOM_BITMAP};
    if (reply.format != 8 || std::find(std::begin(numeric), std::end(numeric), reply.type) != std::end(numeric)) {
        qCDebug(lcReader) << "dropped an answer of type" << reply.type << "and format" << reply.format;
        return false;
    }
    return true;
}

bool X11ClipboardReader::withinBound(qsizetype bytes)
{
    m_changeBytes += bytes;
    if (m_changeBytes <= m_limits.maxChangeBytes)
        return true;
    m_abort = Abort::tooLarge;
    return false;
}
