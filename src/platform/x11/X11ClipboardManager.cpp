#include "X11ClipboardManager.h"
#include "QtX11Connection.h"

#include <QLoggingCategory>

#include <utility>

namespace {

Q_LOGGING_CATEGORY(lcReader, "quillbox.pasteboard.reader", QtInfoMsg)

} // namespace

X11ClipboardManager::X11ClipboardManager(xcb_connection_t *connection, std::uint32_t window)
    : m_connection(connection)
    , m_window(window)
    , m_managerAtom(::internAtom(connection, "CLIPBOARD_MANAGER"))
    , m_saveTargetsAtom(::internAtom(connection, "SAVE_TARGETS"))
    , m_targetsAtom(::internAtom(connection, "TARGETS"))
    , m_nullAtom(::internAtom(connection, "NULL"))
{
}

void X11ClipboardManager::claim()
{
    if (selectionOwner(m_connection, m_managerAtom) != XCB_NONE) {
        qCInfo(lcReader) << "another clipboard manager runs; it keeps the clipboard when programs exit";
        return;
    }
    xcb_set_selection_owner(m_connection, m_window, m_managerAtom, XCB_CURRENT_TIME);
    if (selectionOwner(m_connection, m_managerAtom) != m_window)
        return;
    m_active = true;
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

bool X11ClipboardManager::handle(const xcb_generic_event_t *event, bool contentRead)
{
    switch (event->response_type & 0x7f) {
    case XCB_SELECTION_REQUEST:
        noteRequest(*reinterpret_cast<const xcb_selection_request_event_t *>(event), contentRead);
        return true;
    case XCB_SELECTION_CLEAR:
        if (reinterpret_cast<const xcb_selection_clear_event_t *>(event)->selection == m_managerAtom) {
            qCInfo(lcReader) << "another clipboard manager took over";
            m_active = false;
        }
        return true;
    default:
        return false;
    }
}

void X11ClipboardManager::noteRequest(const xcb_selection_request_event_t &request, bool contentRead)
{
    if (request.selection != m_managerAtom || !m_active) {
        answer(request, XCB_NONE);
        return;
    }
    if (request.target == m_saveTargetsAtom) {
        m_saveRequests.append(request);
        if (contentRead)
            answerSaveRequests();
        return;
    }
    if (request.target == m_targetsAtom) {
        const std::uint32_t targets[] = {m_targetsAtom, m_saveTargetsAtom};
        xcb_change_property(
            m_connection, XCB_PROP_MODE_REPLACE, request.requestor, request.property, XCB_ATOM_ATOM, 32, 2, targets);
        answer(request, request.property);
        return;
    }
    answer(request, XCB_NONE);
}

void X11ClipboardManager::answer(const xcb_selection_request_event_t &request, std::uint32_t property)
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
void X11ClipboardManager::answerSaveRequests()
{
    for (const xcb_selection_request_event_t &request : std::exchange(m_saveRequests, {})) {
        // Clients older than ICCCM 2.0 name no property; the target stands in.
        const std::uint32_t property = request.property != XCB_NONE ? request.property : request.target;
        xcb_change_property(
            m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property, m_nullAtom, 32, 0, nullptr);
        answer(request, property);
    }
}
