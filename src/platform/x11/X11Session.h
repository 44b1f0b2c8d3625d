#pragma once

#include <QString>

#include <optional>

/// The X display Qt will open: the one its `-display` option names, else DISPLAY.
QByteArray x11DisplayName(int argc, char **argv);

/// Whether an X11 display can be reached; the reason when it cannot. Qt's own `-platform` and
/// `-display` options in the arguments count as they will for Qt: another platform than xcb is
/// refused, and the display they name is the one tried.
std::optional<QString> x11SessionUnavailableReason(int argc, char **argv);
