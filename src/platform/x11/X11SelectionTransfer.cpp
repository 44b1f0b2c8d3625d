#include "X11SelectionTransfer.h"
#include "QtX11Connection.h"

#include <QLoggingCategory>

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

Q_LOGGING_CATEGORY(lcReader, "quillbox.pasteboard.reader", QtInfoMsg)

// get_property length in 32-bit units: everything the property holds, so delete=1 always applies.
constexpr std::uint32_t wholeProperty = 0x1fffffff;

QByteArray propertyBytes(const xcb_get_property_reply_t *reply)
{
    return QByteArray(static_cast<const char *>(xcb_get_property_value(reply)), xcb_get_property_value_length(reply));
}

} // namespace

X11SelectionTransfer::X11SelectionTransfer(
    xcb_connection_t *connection, ClipboardReadBudget &budget, WaitForEvent waitForEvent)
    : m_connection(connection)
    , m_budget(budget)
    , m_waitForEvent(std::move(waitForEvent))
    , m_incrAtom(::internAtom(connection, "INCR"))
    , m_propertyAtom(::internAtom(connection, "QUILLBOX_SELECTION"))
    , m_targetsAtom(::internAtom(connection, "TARGETS"))
{
}

void X11SelectionTransfer::begin(std::uint32_t selection, std::uint32_t time)
{
    m_selection = selection;
    m_requestor = createPropertyWindow(m_connection);
    m_requestTime = time;
    m_budget.begin();
}

void X11SelectionTransfer::end()
{
    xcb_destroy_window(m_connection, m_requestor);
    xcb_flush(m_connection);
    m_requestor = XCB_NONE;
}

std::optional<QByteArray> X11SelectionTransfer::read(std::uint32_t target)
{
    if (m_budget.aborted())
        return std::nullopt;
    xcb_convert_selection(m_connection, m_requestor, m_selection, target, m_propertyAtom, m_requestTime);
    xcb_flush(m_connection);
    const EventPtr event = m_waitForEvent([&](const xcb_generic_event_t *candidate) {
        if ((candidate->response_type & 0x7f) != XCB_SELECTION_NOTIFY)
            return false;
        const auto *notify = reinterpret_cast<const xcb_selection_notify_event_t *>(candidate);
        return notify->requestor == m_requestor && notify->selection == m_selection && notify->target == target;
    });
    if (!event)
        return std::nullopt;
    m_budget.noteAnswer();
    const std::uint32_t property = reinterpret_cast<const xcb_selection_notify_event_t *>(event.get())->property;
    if (property == XCB_ATOM_NONE)
        return std::nullopt; // refused

    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(m_connection,
        xcb_get_property(m_connection, 1, m_requestor, property, XCB_GET_PROPERTY_TYPE_ANY, 0, wholeProperty),
        nullptr));
    if (!reply)
        return std::nullopt;
    if (reply->type == m_incrAtom)
        return readIncrementally(target, property);
    if (!fitsTarget(target, *reply) || !m_budget.withinBound(xcb_get_property_value_length(reply.get())))
        return std::nullopt;
    return propertyBytes(reply.get());
}

// Deleting the property (done on reading the INCR announcement) asks for the first chunk; each chunk
// arrives as a new value of the property and is deleted in turn, until an empty one ends the transfer.
std::optional<QByteArray> X11SelectionTransfer::readIncrementally(std::uint32_t target, std::uint32_t property)
{
    QByteArray data;
    for (;;) {
        const EventPtr chunk = m_waitForEvent([&](const xcb_generic_event_t *candidate) {
            if ((candidate->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                return false;
            const auto *notify = reinterpret_cast<const xcb_property_notify_event_t *>(candidate);
            return notify->window == m_requestor && notify->atom == property && notify->state == XCB_PROPERTY_NEW_VALUE;
        });
        if (!chunk)
            return std::nullopt;
        m_budget.noteAnswer();
        XcbReply<xcb_get_property_reply_t> part(xcb_get_property_reply(m_connection,
            xcb_get_property(m_connection, 1, m_requestor, property, XCB_GET_PROPERTY_TYPE_ANY, 0, wholeProperty),
            nullptr));
        if (!part)
            return std::nullopt;
        if (xcb_get_property_value_length(part.get()) == 0)
            return data;
        if (!fitsTarget(target, *part) || !m_budget.withinBound(xcb_get_property_value_length(part.get())))
            return std::nullopt;
        data.append(propertyBytes(part.get()));
    }
}

bool X11SelectionTransfer::fitsTarget(std::uint32_t target, const xcb_get_property_reply_t &reply) const
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
