#pragma once

#include "platform/ClipboardReadBudget.h"

#include <QByteArray>

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

/// Reads the targets of one selection for one change, one request at a time, within the change's
/// budget.
///
/// Each read gets a fresh requestor window: a stalled owner that wakes up later answers a window that
/// no longer exists instead of writing into the next read. Answers are checked against what was asked
/// for, and large ones are taken in INCR chunks.
class X11SelectionTransfer {
public:
    using EventPtr = std::unique_ptr<xcb_generic_event_t, void (*)(void *)>;
    using Accept = std::function<bool(const xcb_generic_event_t *)>;
    /// The reader's event loop: the first event `accept` takes, every other one handled on the way;
    /// nothing once the read is aborted (the budget says why) or the deadline has passed.
    using WaitForEvent = std::function<EventPtr(const Accept &accept)>;

    X11SelectionTransfer(xcb_connection_t *connection, ClipboardReadBudget &budget, WaitForEvent waitForEvent);

    /// Its atoms could be interned.
    bool isValid() const { return m_incrAtom && m_propertyAtom && m_targetsAtom; }

    /// Starts reading `selection` as it was at `time`, and the budget with it.
    void begin(std::uint32_t selection, std::uint32_t time);
    void end();
    /// A read is in progress.
    bool isOpen() const { return m_requestor != XCB_NONE; }
    std::uint32_t selection() const { return m_selection; }

    /// The bytes of `target`; nothing when the owner refused it, answered with something else, or the
    /// read was aborted.
    std::optional<QByteArray> read(std::uint32_t target);
    /// The atoms the owner offers, as TARGETS answers them.
    std::optional<QByteArray> readTargets() { return read(m_targetsAtom); }

private:
    std::optional<QByteArray> readIncrementally(std::uint32_t target, std::uint32_t property);
    /// The property holds what `target` asks for: atoms for TARGETS, bytes for everything else.
    bool fitsTarget(std::uint32_t target, const xcb_get_property_reply_t &reply) const;

    xcb_connection_t *m_connection;
    ClipboardReadBudget &m_budget;
    WaitForEvent m_waitForEvent;
    std::uint32_t m_incrAtom;
    std::uint32_t m_propertyAtom;
    std::uint32_t m_targetsAtom;

    std::uint32_t m_selection = 0;
    std::uint32_t m_requestor = 0;
    std::uint32_t m_requestTime = 0;
};
