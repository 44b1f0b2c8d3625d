#include "QtX11Connection.h"

#include "services/KeyCombo.h"

#include <QGuiApplication>

#include <cstring>

std::optional<QtX11Connection> QtX11Connection::get()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11)
        return std::nullopt;
    xcb_connection_t *connection = x11->connection();
    int screenNumber = 0;
    char *host = nullptr;
    int displayNumber = 0;
    if (!xcb_parse_display(nullptr, &host, &displayNumber, &screenNumber))
        screenNumber = 0;
    std::free(host);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 1; ++i)
        xcb_screen_next(&screens);
    return QtX11Connection{connection, screens.data->root};
}

std::uint16_t xModifierMask(std::uint32_t keyComboModifiers)
{
    std::uint16_t mask = 0;
    if (keyComboModifiers & KeyCombo::cmdKey)
        mask |= XCB_MOD_MASK_4;
    if (keyComboModifiers & KeyCombo::shiftKey)
        mask |= XCB_MOD_MASK_SHIFT;
    if (keyComboModifiers & KeyCombo::optionKey)
        mask |= XCB_MOD_MASK_1;
    if (keyComboModifiers & KeyCombo::controlKey)
        mask |= XCB_MOD_MASK_CONTROL;
    return mask;
}

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name, bool onlyIfExists)
{
    const auto length = static_cast<std::uint16_t>(std::strlen(name));
    XcbReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, onlyIfExists, length, name), nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

xcb_window_t selectionOwner(xcb_connection_t *connection, xcb_atom_t selection)
{
    XcbReply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr));
    return reply ? reply->owner : static_cast<xcb_window_t>(XCB_NONE);
}

xcb_window_t createPropertyWindow(xcb_connection_t *connection)
{
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    const std::uint32_t eventMask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
        XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &eventMask);
    return window;
}
