#pragma once

#include "services/KeySynthesizer.h"

#include <QObject>
#include <QProcessEnvironment>

/// Key events through `wtype`, which types over the compositor's virtual-keyboard protocol
/// (sway, Hyprland, river and other wlroots compositors offer it). GUI thread only; a chord is sent
/// when wtype ends, and a wtype still running after `timeoutMs` is killed.
class WtypeKeySynthesizer : public KeySynthesizer {
public:
    explicit WtypeKeySynthesizer(
        int timeoutMs = 2000, QProcessEnvironment environment = QProcessEnvironment::systemEnvironment());

    QString mechanism() const override { return QStringLiteral("wtype"); }
    /// wtype is installed and the compositor offers the virtual-keyboard protocol.
    bool isAvailable() const override { return !m_program.isEmpty() && m_virtualKeyboard; }
    bool hasConnection() const override { return m_connected; }
    void pressChord(int keyPosition, std::uint32_t modifiers, ChordSent sent) override;
    /// The compositor does not say; a chord typed while the person still holds keys gets the
    /// virtual keyboard's own modifiers, which are exactly the chord's.
    bool isAnyKeyDown(int, std::uint32_t) const override { return false; }

private:
    int m_timeoutMs;
    QProcessEnvironment m_environment;
    QString m_program;
    bool m_connected = false;
    bool m_virtualKeyboard = false;
    QObject m_runs; // the wtype programs still running
};
