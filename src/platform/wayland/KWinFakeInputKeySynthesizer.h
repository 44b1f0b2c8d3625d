#pragma once

#include "services/KeySynthesizer.h"

#include <QByteArray>

#include <cstdint>

struct org_kde_kwin_fake_input;
struct wl_display;
struct wl_registry;

/// Key events through KWin's fake-input interface (KDE Plasma, which offers no virtual keyboard to
/// programs). KWin lets a program use it when its desktop entry lists the interface under
/// X-KDE-Wayland-Interfaces. Its own Wayland connection; GUI thread only.
class KWinFakeInputKeySynthesizer : public KeySynthesizer {
public:
    /// Connects to `displayName` ($WAYLAND_DISPLAY when empty).
    explicit KWinFakeInputKeySynthesizer(const QByteArray &displayName = {});
    ~KWinFakeInputKeySynthesizer() override;
    KWinFakeInputKeySynthesizer(const KWinFakeInputKeySynthesizer &) = delete;
    KWinFakeInputKeySynthesizer &operator=(const KWinFakeInputKeySynthesizer &) = delete;

    QString mechanism() const override { return QStringLiteral("KWin fake-input"); }
    /// The compositor offers fake-input with key events (version 4).
    bool isAvailable() const override { return m_fakeInput != nullptr; }
    bool hasConnection() const override { return m_display != nullptr; }
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
    friend struct FakeInputListeners;
    void noteGlobal(wl_registry *registry, std::uint32_t name, const char *interface, std::uint32_t version);

    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    org_kde_kwin_fake_input *m_fakeInput = nullptr;
};
