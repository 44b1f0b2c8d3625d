#include "NeverRecordedApplications.h"

#include "capture/CopySourceFilter.h"
#include "model/Preferences.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcPrivacy, "quillbox.privacy", QtInfoMsg)

const QList<NeverRecordedApplications::Known> NeverRecordedApplications::defaults = {
    {QStringLiteral("org.keepassxc.KeePassXC"), QStringLiteral("KeePassXC"), QStringLiteral("password manager")},
    {QStringLiteral("keepass2"), QStringLiteral("KeePass 2"), QStringLiteral("password manager (Mono)")},
    {QStringLiteral("org.gnome.seahorse.Application"), QStringLiteral("Passwords and Keys"),
        QStringLiteral("GNOME's keyring")},
    {QStringLiteral("org.kde.kwalletmanager5"), QStringLiteral("KWalletManager"), QStringLiteral("KDE's wallet")},
    {QStringLiteral("qtpass"), QStringLiteral("QtPass"), QStringLiteral("front end of pass")},
    {QStringLiteral("com.bitwarden.desktop"), QStringLiteral("Bitwarden"), QStringLiteral("password manager")},
};

NeverRecordedApplications::NeverRecordedApplications(
    Preferences &preferences, CopySourceFilter &filter, QObject *parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_filter(filter)
{
    if (!m_preferences.isStored(Preferences::Key::neverRecordApplications)) {
        QStringList ids;
        QStringList names;
        for (const Known &known : defaults) {
            ids.append(known.id);
            names.append(known.name);
        }
        if (m_preferences.hasSeenOnboarding())
            qCInfo(lcPrivacy).noquote() << "Copies from password managers are no longer recorded:" << names.join(u", ")
                                        << "(Settings, Privacy)";
        m_preferences.setNeverRecordApplications(ids);
    }
    connect(&m_preferences, &Preferences::changed, this, [this](Preferences::Key key) {
        if (key == Preferences::Key::neverRecordApplications)
            refresh();
    });
    refresh();
}

void NeverRecordedApplications::setAliases(Aliases aliases)
{
    m_aliases = std::move(aliases);
    refresh();
}

void NeverRecordedApplications::refresh()
{
    QStringList names;
    for (const QString &id : ids()) {
        names.append(id);
        if (m_aliases)
            names += m_aliases(id);
    }
    m_filter.setNames(names);
    emit changed();
}

QStringList NeverRecordedApplications::ids() const
{
    QStringList ids;
    for (const QString &id : m_preferences.neverRecordApplications()) {
        if (!id.trimmed().isEmpty())
            ids.append(id.trimmed());
    }
    return ids;
}

void NeverRecordedApplications::add(const QString &id)
{
    const QString entry = id.trimmed();
    QStringList listed = ids();
    if (entry.isEmpty() || entry.contains(QLatin1Char(';')) || listed.contains(entry, Qt::CaseInsensitive))
        return;
    listed.append(entry);
    m_preferences.setNeverRecordApplications(listed);
}

void NeverRecordedApplications::remove(const QString &id)
{
    QStringList listed = ids();
    if (listed.removeAll(id) > 0)
        m_preferences.setNeverRecordApplications(listed);
}

QString NeverRecordedApplications::knownName(const QString &id)
{
    for (const Known &known : defaults) {
        if (known.id.compare(id, Qt::CaseInsensitive) == 0)
            return known.name;
    }
    return {};
}
