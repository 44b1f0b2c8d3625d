#include "X11ClientNames.h"

#include "QtX11Connection.h"
#include "capture/CopySourceFilter.h"

#include <xcb/res.h>

namespace {

// Enough for any program's windows; a client with more is not worth a longer wait.
constexpr int maxClientWindows = 16;

} // namespace

QStringList X11ClientNames::of(xcb_connection_t *connection, xcb_window_t window, std::uint32_t idMask)
{
    QStringList names = CopySourceFilter::processNames(clientPid(connection, window));
    names += windowClass(connection, window);
    for (const xcb_window_t topLevel : clientWindows(connection, window, idMask))
        names += windowClass(connection, topLevel);
    names.removeAll(QString());
    names.removeDuplicates();
    return names;
}

QStringList X11ClientNames::windowClass(xcb_connection_t *connection, xcb_window_t window)
{
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256), nullptr));
    if (!reply || reply->format != 8)
        return {};
    // "instance\0class\0"
    const QByteArray value(
        static_cast<const char *>(xcb_get_property_value(reply.get())), xcb_get_property_value_length(reply.get()));
    QStringList names;
    for (const QByteArray &part : value.split('\0'))
        names.append(QString::fromLatin1(part));
    return names;
}

qint64 X11ClientNames::clientPid(xcb_connection_t *connection, xcb_window_t window)
{
    const xcb_query_extension_reply_t *res = xcb_get_extension_data(connection, &xcb_res_id);
    if (!res || !res->present)
        return -1;
    xcb_res_client_id_spec_t wanted{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    XcbReply<xcb_res_query_client_ids_reply_t> reply(
        xcb_res_query_client_ids_reply(connection, xcb_res_query_client_ids(connection, 1, &wanted), nullptr));
    if (!reply)
        return -1;
    for (auto it = xcb_res_query_client_ids_ids_iterator(reply.get()); it.rem; xcb_res_client_id_value_next(&it)) {
        const auto &[id, bytes] = *it.data; // which client and what is asked of it; the values follow
        if (id.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID && bytes >= sizeof(uint32_t))
            return *xcb_res_client_id_value_value(it.data);
    }
    return -1;
}

// The client's windows the window manager lists: a program's helper owner window has no class, its
// top-level windows do.
QList<xcb_window_t> X11ClientNames::clientWindows(
    xcb_connection_t *connection, xcb_window_t window, std::uint32_t idMask)
{
    if (idMask == 0)
        return {};
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_atom_t clientList = internAtom(connection, "_NET_CLIENT_LIST", true);
    if (!screen || clientList == XCB_ATOM_NONE)
        return {};
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, screen->root, clientList, XCB_ATOM_WINDOW, 0, 4096), nullptr));
    if (!reply || reply->format != 32)
        return {};
    const auto *windows = static_cast<const xcb_window_t *>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / int(sizeof(xcb_window_t));
    QList<xcb_window_t> mine;
    for (int i = 0; i < count && mine.size() < maxClientWindows; ++i) {
        if ((windows[i] & ~idMask) == (window & ~idMask))
            mine.append(windows[i]);
    }
    return mine;
}
