#pragma once

#include "services/HotkeyGrabber.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QMap>
#include <QVariantMap>

/// Global shortcuts through the desktop portal's GlobalShortcuts interface, where the desktop's portal
/// backend offers it (Hyprland's, Plasma's) and no program may grab keys itself. The portal has the
/// last word: it may ask the person first, and it lists the shortcuts in the desktop's settings.
/// GUI thread only; nothing here waits for the portal.
class PortalGlobalShortcutsGrabber : public HotkeyGrabber {
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

    /// The session bus's desktop portal offers GlobalShortcuts. Waits for the portal, at most a
    /// second: for the choice made once at start-up, before any window shows.
    static bool isServiceAvailable();

    /// Asks the portal to bind the combination. Its answer may take as long as the person takes to
    /// decide, so ok here means the request was made; a refusal comes through grabAnswered.
    GrabResult grab(std::uint32_t id, std::uint32_t keycode, std::uint32_t modifiers) override;
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
    // Sends the request; a call the portal fails outright is answered like a refusal.
    void send(const QDBusMessage &request);
    void refuseRequested();

    QMap<std::uint32_t, QString> m_triggers;
    /// The set being bound by the request under way, as it was asked for.
    QMap<std::uint32_t, QString> m_requested;
    QString m_session;
    QString m_request;
    Step m_step = Step::idle;
    bool m_changedMeanwhile = false;
    int m_nextToken = 0;
};

QDBusArgument &operator<<(QDBusArgument &argument, const PortalGlobalShortcutsGrabber::Shortcut &shortcut);
const QDBusArgument &operator>>(const QDBusArgument &argument, PortalGlobalShortcutsGrabber::Shortcut &shortcut);

Q_DECLARE_METATYPE(PortalGlobalShortcutsGrabber::Shortcut)
