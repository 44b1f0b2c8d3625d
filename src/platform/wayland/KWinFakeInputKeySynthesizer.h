#pragma once

#include "WaylandConnection.h"
#include "services/KeySynthesizer.h"

#include <cstdint>

struct org_kde_kwin_fake_input;

/// Key events through KWin's fake-input interface (KDE Plasma, which offers no virtual keyboard to
/// programs). KWin lets a program use it when its desktop entry lists the interface under
/// X-KDE-Wayland-Interfaces. GUI thread only.
class KWinFakeInputKeySynthesizer : public KeySynthesizer {
public:
    explicit KWinFakeInputKeySynthesizer(WaylandConnection &connection);

    QString mechanism() const override { return QStringLiteral("KWin fake-input"); }
    /// The compositor offers fake-input with key events (version 4).
    bool isAvailable() const override { return m_fakeInput != nullptr; }
    bool hasConnection() const override { return m_connection.isConnected(); }
    /// In-process and quick: `sent` runs before this returns.
    void pressChord(int keyPosition, std::uint32_t modifiers, ChordSent sent) override
    {
        sent(sendChord(keyPosition, modifiers));
    }
    /// The compositor does not say; as with the virtual keyboard, the chord's own modifiers are
    /// pressed and released around its key.
    bool isAnyKeyDown(int, std::uint32_t) const override { return false; }

private:
    bool sendChord(int keyPosition, std::uint32_t modifiers);

    WaylandConnection &m_connection;
    WaylandConnection::Object<org_kde_kwin_fake_input> m_fakeInput;
};
