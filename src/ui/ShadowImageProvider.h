#pragma once

#include <QQuickImageProvider>

/// Soft shadows for the views, registered as "shadow":
///   image://shadow/<corner radius>/<blur>/<layers>/<strength>?color=%23aarrggbb
/// The shadow of a rounded rectangle with that corner radius, as stacked translucent rounded rectangles
/// spreading `blur` pixels, drawn as small as it can be: the corners and one pixel of each side, for a
/// BorderImage to stretch with borders of radius + blur. Every row of a list shares one image, where a
/// shadow of rectangles cost each row its own.
class ShadowImageProvider : public QQuickImageProvider {
public:
    ShadowImageProvider();

    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override;
};
