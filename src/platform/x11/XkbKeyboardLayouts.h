#pragma once

#include "services/KeyboardLayouts.h"

#include <QStringList>

#include <functional>
#include <memory>

/// Keyboard layouts from libxkbcommon: the X server's live keymap, a keymap in xkbcommon's text form
/// (as a Wayland compositor sends it), or keymaps compiled from layout names (rules "evdev", model
/// "pc105"), which needs no display server.
class XkbKeyboardLayouts : public KeyboardLayouts {
public:
    /// The X server's layouts through Qt's connection; construct after QGuiApplication and use on
    /// the GUI thread. The keymap is fetched again on every call, so a layout the user added a moment
    /// ago is seen. Without X11 there are no layouts.
    XkbKeyboardLayouts();
    /// One keymap per name, such as "us", "ru" or "de(nodeadkeys)", in the given order. Names that
    /// do not compile are left out.
    explicit XkbKeyboardLayouts(const QStringList &layoutIds);
    /// The layouts of the keymap `keymapText` returns, asked again on every call. A keymap's text
    /// keeps no rules names ("us"), so each layout's id is its name ("English (US)").
    explicit XkbKeyboardLayouts(std::function<QByteArray()> keymapText);
    ~XkbKeyboardLayouts() override;

    QList<LayoutInfo> layouts() const override;
    KeyTable keyTable(const LayoutInfo &layout) const override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
