#include "PrivacyView.h"

#include "model/HistoryRetention.h"
#include "model/Preferences.h"
#include "services/HistoryPause.h"
#include "services/NeverRecordedApplications.h"

#include <QDir>
#include <QLocale>
#include <QUrl>

#include <algorithm>

namespace {

QString iconSource(const QString &icon)
{
    if (icon.isEmpty())
        return {};
    if (QDir::isAbsolutePath(icon))
        return QUrl::fromLocalFile(icon).toString();
    return QStringLiteral("image://icon/theme/") + icon;
}

QVariantMap shown(const PrivacyView::Application &application)
{
    return {{QStringLiteral("id"), application.id}, {QStringLiteral("name"), application.name},
        {QStringLiteral("icon"), iconSource(application.icon)}};
}

} // namespace

PrivacyView::PrivacyView(NeverRecordedApplications &applications, HistoryPause &pause, Preferences &preferences,
    Sources sources, QObject *parent)
    : QObject(parent)
    , m_applications(applications)
    , m_pause(pause)
    , m_preferences(preferences)
    , m_sources(std::move(sources))
{
    connect(&m_applications, &NeverRecordedApplications::changed, this, &PrivacyView::applicationsChanged);
    connect(&m_pause, &HistoryPause::pausedChanged, this, &PrivacyView::pausedChanged);
    connect(&m_preferences, &Preferences::changed, this, [this](Preferences::Key key) {
        using Key = Preferences::Key;
        if (key == Key::recordImages || key == Key::recordFiles || key == Key::largestItemMegabytes
            || key == Key::keepUnpinnedDays || key == Key::clearHistoryOnQuit)
            emit preferencesChanged();
    });
}

QVariantMap PrivacyView::entry(const QString &id) const
{
    if (m_sources.byId) {
        if (const auto installed = m_sources.byId(id))
            return shown(*installed);
    }
    const QString known = NeverRecordedApplications::knownName(id);
    return shown({id, known.isEmpty() ? id : known, {}});
}

QVariantList PrivacyView::applications() const
{
    QVariantList list;
    for (const QString &id : m_applications.ids())
        list.append(entry(id));
    return list;
}

QVariantList PrivacyView::offered(const QList<Application> &applications) const
{
    const QStringList listed = m_applications.ids();
    QList<Application> sorted;
    for (const Application &application : applications) {
        const bool taken = listed.contains(application.id, Qt::CaseInsensitive)
            || std::any_of(sorted.cbegin(), sorted.cend(),
                [&](const Application &other) { return other.id.compare(application.id, Qt::CaseInsensitive) == 0; });
        if (!taken && !application.id.isEmpty())
            sorted.append(application);
    }
    std::sort(sorted.begin(), sorted.end(),
        [](const Application &a, const Application &b) { return QString::localeAwareCompare(a.name, b.name) < 0; });
    QVariantList list;
    for (const Application &application : std::as_const(sorted))
        list.append(shown(application));
    return list;
}

QVariantList PrivacyView::installedApplications() const
{
    return offered(m_sources.installed ? m_sources.installed() : QList<Application>());
}

QVariantList PrivacyView::runningApplications() const
{
    return offered(m_sources.running ? m_sources.running() : QList<Application>());
}

void PrivacyView::add(const QString &id)
{
    m_applications.add(id);
}

void PrivacyView::remove(const QString &id)
{
    m_applications.remove(id);
}

bool PrivacyView::isPaused() const
{
    return m_pause.isPaused();
}

QString PrivacyView::pauseState() const
{
    if (!m_pause.isPaused())
        return tr("Recording");
    if (const auto end = m_pause.end())
        //: %1 is a time of day
        return tr("Paused until %1").arg(QLocale().toString(end->toLocalTime().time(), QLocale::ShortFormat));
    return tr("Paused until you resume");
}

void PrivacyView::pause(int seconds)
{
    m_pause.pause(std::chrono::seconds(std::max(0, seconds)));
}

void PrivacyView::resume()
{
    m_pause.resume();
}

bool PrivacyView::recordImages() const
{
    return m_preferences.recordImages();
}

void PrivacyView::setRecordImages(bool on)
{
    m_preferences.setRecordImages(on);
}

bool PrivacyView::recordFiles() const
{
    return m_preferences.recordFiles();
}

void PrivacyView::setRecordFiles(bool on)
{
    m_preferences.setRecordFiles(on);
}

int PrivacyView::largestItemMegabytes() const
{
    return m_preferences.largestItemMegabytes();
}

void PrivacyView::setLargestItemMegabytes(int megabytes)
{
    m_preferences.setLargestItemMegabytes(megabytes);
}

int PrivacyView::keepUnpinnedDays() const
{
    return m_preferences.keepUnpinnedDays();
}

void PrivacyView::setKeepUnpinnedDays(int days)
{
    m_preferences.setKeepUnpinnedDays(days);
}

bool PrivacyView::clearHistoryOnQuit() const
{
    return m_preferences.clearHistoryOnQuit();
}

void PrivacyView::setClearHistoryOnQuit(bool on)
{
    m_preferences.setClearHistoryOnQuit(on);
}

QVariantList PrivacyView::retentionChoices() const
{
    QVariantList choices;
    for (const int days : HistoryRetention::choices) {
        const QString label = days == 0 ? tr("Forever")
            : days == 1                 ? tr("%n day", nullptr, days)
                                        : tr("%n days", nullptr, days);
        choices.append(QVariantMap{{QStringLiteral("label"), label}, {QStringLiteral("value"), days}});
    }
    return choices;
}

QVariantList PrivacyView::sizeChoices() const
{
    QVariantList choices;
    for (const int megabytes : {1, 10, 50, 256})
        choices.append(
            QVariantMap{{QStringLiteral("label"), tr("%1 MB").arg(megabytes)}, {QStringLiteral("value"), megabytes}});
    return choices;
}

QString PrivacyView::storageNote() const
{
    QString path = m_sources.storePath;
    const QString home = QDir::homePath();
    if (path.startsWith(home + QLatin1Char('/')))
        path = QLatin1Char('~') + path.mid(home.size());
    return tr("Your history is stored in %1 on this computer and never leaves it.").arg(path);
}
