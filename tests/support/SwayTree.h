#pragma once

#include <QString>

/// What sway says about its windows (`swaymsg -t get_tree`), for tests in a headless sway session.
namespace SwayTree {

/// The app id of the focused window; empty when none has the focus.
QString focusedAppId();
/// Waits until the window of `appId` has the focus.
bool waitForFocus(const QString &appId, int timeoutMs = 5000);
/// A window of `appId` is mapped.
bool hasWindow(const QString &appId);
/// The whole tree as sway prints it, in JSON.
QByteArray tree();

} // namespace SwayTree
