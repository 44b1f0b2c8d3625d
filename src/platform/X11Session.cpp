#include "X11Session.h"

#include <xcb/xcb.h>

std::optional<QString> x11SessionUnavailableReason()
{
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        return QStringLiteral("DISPLAY is not set");
    xcb_connection_t *connection = xcb_connect(display.constData(), nullptr);
    const int error = xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    if (error != 0)
        return QStringLiteral("cannot connect to display %1").arg(QString::fromLocal8Bit(display));
    return std::nullopt;
}
