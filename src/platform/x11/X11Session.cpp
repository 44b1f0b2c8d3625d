#include "X11Session.h"

#include <QList>

#include <xcb/xcb.h>

namespace {

// The value after a Qt option such as "-display", read as Qt reads it: "--display" is the same
// option and the last one given wins.
std::optional<QByteArray> qtOption(int argc, char **argv, const QByteArray &name)
{
    std::optional<QByteArray> value;
    for (int i = 1; i + 1 < argc; ++i) {
        QByteArray argument(argv[i]);
        if (argument.startsWith("--"))
            argument.remove(0, 1);
        if (argument == name)
            value = QByteArray(argv[++i]);
    }
    return value;
}

} // namespace

QByteArray x11DisplayName(int argc, char **argv)
{
    return qtOption(argc, argv, "-display").value_or(qgetenv("DISPLAY"));
}

std::optional<QString> x11SessionUnavailableReason(int argc, char **argv)
{
    // A platform name may carry options after a colon, as in "xcb:nomitshm".
    if (const auto platform = qtOption(argc, argv, "-platform");
        platform && platform->split(':').constFirst() != "xcb")
        return QStringLiteral("the platform %1 is not supported").arg(QString::fromLocal8Bit(*platform));
    const QByteArray display = x11DisplayName(argc, argv);
    if (display.isEmpty())
        return QStringLiteral("DISPLAY is not set");
    xcb_connection_t *connection = xcb_connect(display.constData(), nullptr);
    const int error = xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    if (error != 0)
        return QStringLiteral("cannot connect to display %1").arg(QString::fromLocal8Bit(display));
    return std::nullopt;
}
