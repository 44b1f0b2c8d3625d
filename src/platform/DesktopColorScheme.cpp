#include "DesktopColorScheme.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearance = QStringLiteral("org.freedesktop.appearance");
const QString colorSchemeKey = QStringLiteral("color-scheme");

// The portal's value: 0 no preference, 1 prefer dark, 2 prefer light. Read answers wrap it twice.
bool isDarkValue(QVariant value)
{
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value.toUInt() == 1;
}

} // namespace

DesktopColorScheme::DesktopColorScheme(QObject *parent)
    : QObject(parent)
{
    const QByteArray forced = qgetenv("QUILLBOX_COLOR_SCHEME").toLower();
    if (forced == "dark" || forced == "light") {
        m_prefersDark = forced == "dark";
        m_fixed = true;
        return;
    }
    m_prefersDark = qEnvironmentVariable("GTK_THEME").endsWith(QStringLiteral(":dark"));

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.connect(portalService, portalPath, settingsInterface, QStringLiteral("SettingChanged"), this,
        SLOT(portalSettingChanged(QString, QString, QDBusVariant)));
    QDBusMessage read
        = QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface, QStringLiteral("Read"));
    read << appearance << colorSchemeKey;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(read, 2000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        const QDBusPendingReply<QVariant> reply = *call;
        if (reply.isValid())
            setPrefersDark(isDarkValue(reply.value()));
        call->deleteLater();
    });
}

void DesktopColorScheme::portalSettingChanged(const QString &group, const QString &key, const QDBusVariant &value)
{
    if (group == appearance && key == colorSchemeKey)
        setPrefersDark(isDarkValue(value.variant()));
}

void DesktopColorScheme::setPrefersDark(bool dark)
{
    if (m_fixed || dark == m_prefersDark)
        return;
    m_prefersDark = dark;
    emit prefersDarkChanged();
}
