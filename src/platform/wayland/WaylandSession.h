#pragma once

#include <QByteArray>
#include <QStringList>

#include <optional>

/// The interface names of the globals the Wayland compositor at `displayName` ($WAYLAND_DISPLAY when
/// empty; a name or an absolute socket path) offers; nothing when it cannot be reached.
std::optional<QStringList> waylandGlobals(const QByteArray &displayName = {});
