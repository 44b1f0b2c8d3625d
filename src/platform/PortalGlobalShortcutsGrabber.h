#pragma once

#include "services/HotkeyGrabber.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QMap>
#include <QObject>
#include <QVariantMap>

/// Global shortcuts through the desktop portal's GlobalShortcuts interface, where the desktop's portal
/// backend offers it (Hyprland's, Plasma's) and no program may grab keys itself. The portal has the
/// last word: it may ask the person first, and it lists the shortcuts in the desktop's settings.
/// GUI thread only.
class PortalGlobalShortcutsGrabber : public QObject, public HotkeyGrabber {
    Q_OBJECT
public:
    /// One shortcut as BindShortcuts takes it, (sa{sv}): its id, and "description" and
    /// "preferred_trigger". Registered with QtDBus by the constructor.
    struct Shortcut {
        QString id;
        QVariantMap properties;
    };

    explicit PortalGlobalShortcutsGrabber(QObject *parent = nullptr);
    ~PortalGlobalShortcutsGrabber() override;

    /// The session bus's desktop portal offers GlobalShortcuts.
    static bool isServiceAvailable();

    /// Asks the portal to bind the combination. Its answer comes later (the person may be asked), so
    /// success here means the request was made; a refusal is logged.
    int grab(std::uint32_t id, std::uint32_t keycode, std::uint32_t modifiers) override;
    void ungrab(std::uint32_t id) override;

    /// The trigger the portal is offered for an X keycode and KeyCombo modifiers ("LOGO+SHIFT+v"), or
    /// an empty string for a key without a name there.
    static QString trigger(std::uint32_t keycode, std::uint32_t modifiers);

private slots:
    void noteResponse(uint response, const QVariantMap &results);
    void noteActivated(
        const QDBusObjectPath &session, const QString &shortcut, qulonglong timestamp, const QVariantMap &options);

private:
    enum class Step { idle, creatingSession, binding };
    // Binds the current set afresh in a new session: the portal has no way to remove one shortcut.
    void rebind();
    void bind();
    void closeSession();
    // Listens for the answer to the request made with `token`, before the request is made.
    QString awaitResponse(const QString &token);

    QMap<std::uint32_t, QString> m_triggers;
    QString m_session;
    QString m_request;
    Step m_step = Step::idle;
    bool m_changedMeanwhile = false;
    int m_nextToken = 0;
};

QDBusArgument &operator<<(QDBusArgument &argument, const PortalGlobalShortcutsGrabber::Shortcut &shortcut);
const QDBusArgument &operator>>(const QDBusArgument &argument, PortalGlobalShortcutsGrabber::Shortcut &shortcut);

Q_DECLARE_METATYPE(PortalGlobalShortcutsGrabber::Shortcut)
