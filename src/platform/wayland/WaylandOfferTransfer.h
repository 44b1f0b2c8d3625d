#pragma once

#include "platform/ClipboardPipeReader.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

struct zwlr_data_control_offer_v1;

/// Reads one MIME type of an offer through a non-blocking pipe, within the change's budget, so a
/// source that has stalled costs the reader a second and nobody else anything.
class WaylandOfferTransfer {
public:
    /// Why the reader must give up whatever it reads (it stops, or lost its connection); nothing to
    /// go on.
    using Interruption = ClipboardPipeReader::Interruption;
    /// The reader's event loop: serves everything else until `fd` is readable or `timeoutMs` passes.
    /// \return the revents of `fd`.
    using WaitReadable = ClipboardPipeReader::WaitReadable;

    WaylandOfferTransfer(ClipboardReadBudget &budget, Interruption interruption, WaitReadable waitReadable);

    /// The whole of `mimeType`; nothing when the source failed, the bound was passed, or the read was
    /// aborted (the budget says why).
    std::optional<QByteArray> read(zwlr_data_control_offer_v1 *offer, const QString &mimeType);

private:
    ClipboardPipeReader m_pipe;
};
