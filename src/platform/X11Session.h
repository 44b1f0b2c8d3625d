#pragma once

#include <QString>

#include <optional>

/// Whether an X11 display can be reached; the reason when it cannot.
std::optional<QString> x11SessionUnavailableReason();
