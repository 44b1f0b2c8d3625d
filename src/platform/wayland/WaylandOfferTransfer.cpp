#include "WaylandOfferTransfer.h"

#include <wlr-data-control-unstable-v1-client.h>

#include <utility>

WaylandOfferTransfer::WaylandOfferTransfer(
    ClipboardReadBudget &budget, Interruption interruption, WaitReadable waitReadable)
    : m_pipe(budget, std::move(interruption), std::move(waitReadable))
{
}

std::optional<QByteArray> WaylandOfferTransfer::read(zwlr_data_control_offer_v1 *offer, const QString &mimeType)
{
    return m_pipe.read(
        [&](int writeEnd) { zwlr_data_control_offer_v1_receive(offer, mimeType.toUtf8().constData(), writeEnd); });
}
