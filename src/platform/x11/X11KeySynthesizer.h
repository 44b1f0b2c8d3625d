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
    /// In-process and quick: `sent` runs before this returns.
    void pressChord(int keyPosition, std::uint32_t modifiers, ChordSent sent) override
    {
        sent(sendChord(keyPosition, modifiers));
    }
    bool isAnyKeyDown(int keyPosition, std::uint32_t modifiers) const override;

private:
    bool sendChord(int keyPosition, std::uint32_t modifiers);

    xcb_connection_t *m_connection = nullptr;
    bool m_xtest = false;
};
