#pragma once

#include "TestCompositor.h"

#include <QByteArray>
#include <QStringList>

#include <memory>

/// A compositor of the tests' own, served on a thread of its own: one seat and the clipboard managers'
/// data-control, ext-data-control-v1 (version 1) and, when asked, wlroots' (version 2) beside it.
///
/// It keeps the seat's selection and primary selection as a real compositor does: each change is
/// offered to every device, a new device is told the current ones, a replaced source is cancelled, a
/// source that goes away leaves no selection, and a receiver's request reaches the source with the
/// receiver's descriptor. Set XDG_RUNTIME_DIR before constructing it.
class DataControlCompositor {
public:
    explicit DataControlCompositor(bool offerWlroots = false);
    ~DataControlCompositor();
    DataControlCompositor(const DataControlCompositor &) = delete;
    DataControlCompositor &operator=(const DataControlCompositor &) = delete;

    /// The socket's name in $XDG_RUNTIME_DIR, for WAYLAND_DISPLAY.
    QByteArray socket() const { return m_compositor.socket(); }
    /// The interface of every data-control device a client made, in order.
    QStringList devices() const;

    struct Seat;

private:
    std::unique_ptr<Seat> m_seat;
    // After the seat, so that it stops serving before the seat goes.
    TestCompositor m_compositor;
};
