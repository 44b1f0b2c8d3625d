#pragma once

#include "services/KeySynthesizer.h"

#include <cstdint>

struct xcb_connection_t;

/// XTest key events by keycode over Qt's X connection. Construct after QGuiApplication; GUI thread only.
class X11KeySynthesizer : public KeySynthesizer {
public:
    X11KeySynthesizer();

    QString mechanism() const override { return QStringLiteral("XTest"); }
    bool isAvailable() const override;
    bool hasConnection() const override;
    bool pressChord(int keyPosition, std::uint32_t modifiers) override;
    bool isAnyKeyDown(int keyPosition, std::uint32_t modifiers) const override;

private:
    xcb_connection_t *m_connection = nullptr;
    bool m_xtest = false;
};
