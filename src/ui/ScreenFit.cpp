#include "ScreenFit.h"

#include <QScreen>

QSize ScreenFit::size(QSize wanted, const QRect &available)
{
    const QSize room = (available.size() - QSize(2 * margin, 2 * margin)).expandedTo(least);
    return wanted.boundedTo(room);
}

QSize ScreenFit::size(QSize wanted, const QScreen *screen)
{
    return screen ? size(wanted, screen->availableGeometry()) : wanted;
}

QRect ScreenFit::centred(QSize wanted, const QRect &available)
{
    const QSize fitted = size(wanted, available);
    return QRect(available.center() - QPoint(fitted.width() / 2, fitted.height() / 2), fitted);
}
