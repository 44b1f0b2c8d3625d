#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <optional>

/// An xcb reply, released with free().
struct XcbFree {
    void operator()(void *pointer) const { std::free(pointer); }
};
template <typename T> using XcbReply = std::unique_ptr<T, XcbFree>;

/// Qt's own xcb connection (use it on the GUI thread only) and the root window of its screen.
struct QtX11Connection {
    xcb_connection_t *connection;
    xcb_window_t root;

    /// Nothing when Qt does not run on X11.
    static std::optional<QtX11Connection> get();
};

/// The X modifier mask of KeyCombo modifier bits: Super is Mod4 and Alt is Mod1.
std::uint16_t xModifierMask(std::uint32_t keyComboModifiers);

/// The atom named `name`; XCB_ATOM_NONE when it does not exist yet and `onlyIfExists` is set, or
/// when the server does not answer.
xcb_atom_t internAtom(xcb_connection_t *connection, const char *name, bool onlyIfExists = false);

/// The window that owns `selection`; XCB_NONE when nobody does or the server does not answer.
xcb_window_t selectionOwner(xcb_connection_t *connection, xcb_atom_t selection);

/// A new 1x1 input-only window on the first screen that reports its property changes.
xcb_window_t createPropertyWindow(xcb_connection_t *connection);
