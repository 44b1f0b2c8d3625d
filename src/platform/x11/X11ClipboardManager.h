#pragma once

#include <QList>

#include <xcb/xcb.h>

#include <atomic>
#include <cstdint>

/// The clipboard-manager role of the desktop (the CLIPBOARD_MANAGER selection), held by the reader's
/// window.
///
/// On X11 a clipboard lives only as long as the program that owns it. A clipboard manager keeps it:
/// programs hand their content over on exit (SAVE_TARGETS) and wait for the answer, and the history's
/// newest item stands in once its owner is gone. Only one manager can run; an existing one is left in
/// charge.
class X11ClipboardManager {
public:
    X11ClipboardManager(xcb_connection_t *connection, std::uint32_t window);

    /// Its atoms could be interned.
    bool isValid() const { return m_managerAtom && m_saveTargetsAtom && m_targetsAtom && m_nullAtom; }
    /// Takes the role, unless another clipboard manager holds it.
    void claim();
    /// The role is ours. Thread-safe.
    bool isActive() const { return m_active; }

    /// Handles a selection request or clear addressed to the window; false for any other event.
    /// `contentRead`: the clipboard's current content has been read, so a handover is answered at once.
    bool handle(const xcb_generic_event_t *event, bool contentRead);
    /// The clipboard's content has been read: programs waiting to hand it over may exit.
    void answerSaveRequests();

private:
    void noteRequest(const xcb_selection_request_event_t &request, bool contentRead);
    void answer(const xcb_selection_request_event_t &request, std::uint32_t property);

    xcb_connection_t *m_connection;
    std::uint32_t m_window;
    std::uint32_t m_managerAtom;
    std::uint32_t m_saveTargetsAtom;
    std::uint32_t m_targetsAtom;
    std::uint32_t m_nullAtom;
    std::atomic_bool m_active = false;
    // Handovers that wait until the content they ask to keep has been read.
    QList<xcb_selection_request_event_t> m_saveRequests;
};
