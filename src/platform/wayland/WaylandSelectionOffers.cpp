#include "WaylandSelectionOffers.h"

#include <wlr-data-control-unstable-v1-client.h>

#include <algorithm>

namespace {

void offerMimeType(void *data, zwlr_data_control_offer_v1 *, const char *mimeType)
{
    static_cast<WaylandSelectionOffers::Offer *>(data)->mimeTypes.append(QString::fromUtf8(mimeType));
}

const zwlr_data_control_offer_v1_listener offerListener = {offerMimeType};

} // namespace

void WaylandSelectionOffers::Deleter::operator()(Offer *offer) const
{
    zwlr_data_control_offer_v1_destroy(offer->offer);
    delete offer;
}

WaylandSelectionOffers::WaylandSelectionOffers(const QString &ownMarker)
    : m_ownMarker(ownMarker)
{
}

void WaylandSelectionOffers::announce(zwlr_data_control_offer_v1 *offer)
{
    auto *state = new Offer{offer, {}};
    zwlr_data_control_offer_v1_add_listener(offer, &offerListener, state);
    m_announced.emplace_back(state);
}

WaylandSelectionOffers::OfferPtr WaylandSelectionOffers::take(zwlr_data_control_offer_v1 *offer)
{
    const auto it = std::find_if(m_announced.begin(), m_announced.end(),
        [offer](const OfferPtr &candidate) { return candidate->offer == offer; });
    if (it == m_announced.end())
        return nullptr;
    OfferPtr taken = std::move(*it);
    m_announced.erase(it);
    return taken;
}

bool WaylandSelectionOffers::isOwn(const Offer &offer) const
{
    return offer.mimeTypes.contains(m_ownMarker);
}
