#pragma once

#include "services/HotkeyGrabber.h"

#include <QHash>
#include <QObject>
#include <QStringList>

/// Global shortcuts through KDE Plasma's kglobalaccel service on the session bus, where no program
/// may grab keys itself (Plasma on Wayland). The shortcuts appear in the desktop's shortcut
/// settings under "Quillbox". GUI thread only.
class KGlobalAccelHotkeyGrabber : public QObject, public HotkeyGrabber {
    Q_OBJECT
public:
    /// What kglobalaccel answers when another program holds the combination, as a grab status.
    static constexpr int taken = 10;

    explicit KGlobalAccelHotkeyGrabber(QObject *parent = nullptr);

    /// kglobalaccel runs on the session bus.
    static bool isServiceAvailable();

    int grab(std::uint32_t id, std::uint32_t keycode, std::uint32_t modifiers) override;
    void ungrab(std::uint32_t id) override;

private slots:
    void notePressed(const QString &component, const QString &action, qlonglong timestamp);

private:
    QStringList actionId(std::uint32_t id) const;
    bool m_listening = false;
    QHash<QString, std::uint32_t> m_actions;
};
