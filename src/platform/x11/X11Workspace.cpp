#include "X11Workspace.h"

#include "QtX11Connection.h"

#include <QGuiApplication>
#include <QLoggingCategory>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

Q_LOGGING_CATEGORY(lcWorkspace, "quillbox.workspace", QtInfoMsg)

XcbReply<xcb_get_property_reply_t> getProperty(
    xcb_connection_t *connection, xcb_window_t window, xcb_atom_t property, xcb_atom_t type, std::uint32_t length)
{
    return XcbReply<xcb_get_property_reply_t>(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, type, 0, length), nullptr));
}

std::optional<std::uint32_t> cardinal(const xcb_get_property_reply_t *reply)
{
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply) < 4)
        return std::nullopt;
    std::uint32_t value = 0;
    std::memcpy(&value, xcb_get_property_value(reply), sizeof value);
    return value;
}

} // namespace

X11Workspace::X11Workspace()
{
    const auto x11 = QtX11Connection::get();
    if (!x11) {
        qCWarning(lcWorkspace) << "not running on X11; the active application is unknown";
        return;
    }
    m_connection = x11->connection;
    m_root = x11->root;
    m_activeWindowAtom = internAtom(m_connection, "_NET_ACTIVE_WINDOW");
    m_pidAtom = internAtom(m_connection, "_NET_WM_PID");
}

std::optional<RunningApplication> X11Workspace::frontmostApplication() const
{
    if (!m_connection)
        return std::nullopt;
    const std::uint32_t window = activeWindow();
    if (window == XCB_NONE)
        return std::nullopt;
    // With nothing else focused, the focus or the active-window property can still name a window
    // that has since been hidden (our own panel, for one); a hidden window is nobody's front.
    XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(m_connection, xcb_get_window_attributes(m_connection, window), nullptr));
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
        return std::nullopt;

    return applicationOf(window);
}

std::optional<RunningApplication> X11Workspace::applicationOf(std::uint32_t window) const
{
    const auto classCookie = xcb_get_property(m_connection, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256);
    const auto pidCookie = xcb_get_property(m_connection, 0, window, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1);
    XcbReply<xcb_get_property_reply_t> classReply(xcb_get_property_reply(m_connection, classCookie, nullptr));
    XcbReply<xcb_get_property_reply_t> pidReply(xcb_get_property_reply(m_connection, pidCookie, nullptr));

    RunningApplication application;
    application.windowId = window;
    if (const auto pid = cardinal(pidReply.get()); pid && *pid > 0)
        application.processIdentifier = *pid;

    // WM_CLASS is "instance\0class\0".
    QString instanceName;
    QString className;
    if (classReply && classReply->format == 8) {
        const QByteArray value(static_cast<const char *>(xcb_get_property_value(classReply.get())),
            xcb_get_property_value_length(classReply.get()));
        const QList<QByteArray> parts = value.split('\0');
        instanceName = QString::fromLatin1(parts.value(0));
        className = QString::fromLatin1(parts.value(1));
    }
    if (className.isEmpty() && instanceName.isEmpty())
        return application;
    RunningApplication named = m_desktopEntries.application(className, instanceName);
    named.windowId = application.windowId;
    named.processIdentifier = application.processIdentifier;
    return named;
}

QList<RunningApplication> X11Workspace::runningApplications() const
{
    if (!m_connection)
        return {};
    const xcb_atom_t clientList = internAtom(m_connection, "_NET_CLIENT_LIST", true);
    const auto reply = getProperty(m_connection, m_root, clientList, XCB_ATOM_WINDOW, 4096);
    if (clientList == XCB_ATOM_NONE || !reply || reply->format != 32)
        return {};
    const auto *windows = static_cast<const xcb_window_t *>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / int(sizeof(xcb_window_t));
    QList<RunningApplication> applications;
    for (int i = 0; i < count; ++i) {
        if (auto application = applicationOf(windows[i]); application && application->bundleIdentifier)
            applications.append(*application);
    }
    return applications;
}

void X11Workspace::activate(const RunningApplication &application)
{
    if (!m_connection || application.windowId == XCB_NONE)
        return;
    if (!hasWindowManager()) {
        xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_POINTER_ROOT, application.windowId, XCB_CURRENT_TIME);
        xcb_flush(m_connection);
        return;
    }
    // Source indication 2 (a pager or tool): window managers honour it without focus-stealing checks.
    xcb_client_message_event_t message = {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = application.windowId;
    message.type = m_activeWindowAtom;
    message.data.data32[0] = 2;
    message.data.data32[1] = XCB_CURRENT_TIME;
    message.data.data32[2] = activeWindow();
    xcb_send_event(m_connection, 0, m_root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
        reinterpret_cast<const char *>(&message));
    xcb_flush(m_connection);
}

bool X11Workspace::hasWindowManager() const
{
    const auto reply = getProperty(m_connection, m_root, m_activeWindowAtom, XCB_ATOM_WINDOW, 1);
    return reply && reply->type == XCB_ATOM_WINDOW;
}

std::uint32_t X11Workspace::activeWindow() const
{
    const auto reply = getProperty(m_connection, m_root, m_activeWindowAtom, XCB_ATOM_WINDOW, 1);
    if (reply && reply->type == XCB_ATOM_WINDOW)
        return cardinal(reply.get()).value_or(XCB_NONE);
    // Without a window manager nobody maintains _NET_ACTIVE_WINDOW; the input focus stands in.
    return focusedClientWindow();
}

std::uint32_t X11Workspace::focusedClientWindow() const
{
    XcbReply<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    if (!focus || focus->focus == XCB_NONE || focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT || focus->focus == m_root)
        return XCB_NONE;
    // The focus may rest on a child of the client's top-level window, which carries WM_CLASS.
    for (xcb_window_t window = focus->focus; window != XCB_NONE && window != m_root;) {
        if (hasWindowClass(window))
            return window;
        XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr));
        window = tree ? tree->parent : static_cast<xcb_window_t>(XCB_NONE);
    }
    return focus->focus;
}

bool X11Workspace::hasWindowClass(std::uint32_t window) const
{
    const auto reply = getProperty(m_connection, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0);
    return reply && reply->type == XCB_ATOM_STRING;
}
