#pragma once

#include <QString>
#include <QStringList>

#include <list>
#include <memory>

struct zwlr_data_control_offer_v1;

/// The offers the compositor announces, each with the MIME types it lists, until a selection event
/// names one.
class WaylandSelectionOffers {
public:
    struct Offer {
        zwlr_data_control_offer_v1 *offer = nullptr;
        QStringList mimeTypes;
    };
    struct Deleter {
        void operator()(Offer *offer) const;
    };
    using OfferPtr = std::unique_ptr<Offer, Deleter>;

    /// Every selection this program sets lists `ownMarker` among its types.
    explicit WaylandSelectionOffers(const QString &ownMarker);

    /// Collects the MIME types of a newly announced offer.
    void announce(zwlr_data_control_offer_v1 *offer);
    /// Takes the announced `offer` out of the list; nothing for an unknown or null one.
    OfferPtr take(zwlr_data_control_offer_v1 *offer);
    /// `offer` is a selection this program set.
    bool isOwn(const Offer &offer) const;

private:
    const QString m_ownMarker;
    std::list<OfferPtr> m_announced;
};
