#include "ShadowImageProvider.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QUrlQuery>

#include <cmath>

ShadowImageProvider::ShadowImageProvider()
    : QQuickImageProvider(QQuickImageProvider::Image)
{
}

QImage ShadowImageProvider::requestImage(const QString &id, QSize *size, const QSize &)
{
    const qsizetype query = id.indexOf(u'?');
    const QStringList fields = id.left(query).split(u'/');
    const QColor color(QUrlQuery(query < 0 ? QString() : id.mid(query + 1))
                           .queryItemValue(QStringLiteral("color"), QUrl::FullyDecoded));
    if (fields.size() != 4 || !color.isValid())
        return {};
    // Bounded: a view asks for a few sizes of its own; nothing larger is drawn.
    const qreal radius = std::clamp(fields[0].toDouble(), 0.0, 64.0);
    const qreal blur = std::clamp(fields[1].toDouble(), 0.0, 64.0);
    const int layers = std::clamp(fields[2].toInt(), 1, 32);
    const qreal strength = std::clamp(fields[3].toDouble(), 0.0, 4.0);

    const int border = int(std::ceil(radius + blur));
    const int side = 2 * border + 1;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QColor layerColor = color;
    layerColor.setAlphaF(float(color.alphaF() * strength / layers));
    painter.setBrush(layerColor);
    // The rectangle casting the shadow fills the image less the blur on each side.
    const QRectF card(border - radius, border - radius, side - 2 * (border - radius), side - 2 * (border - radius));
    for (int i = 0; i < layers; ++i) {
        const qreal spread = blur * std::pow(qreal(i + 1) / layers, 1.25);
        painter.drawRoundedRect(card.adjusted(-spread, -spread, spread, spread), radius + spread, radius + spread);
    }
    painter.end();
    if (size)
        *size = image.size();
    return image;
}
