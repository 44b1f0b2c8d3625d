#include "DesktopEntryIndex.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLocale>

namespace {

const QLatin1String desktopSuffix(".desktop");

QString unescape(QStringView value)
{
    QString result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
            result.append(value[i]);
            continue;
        }
        switch (value[++i].unicode()) {
        case 's':
            result.append(QLatin1Char(' '));
            break;
        case 'n':
            result.append(QLatin1Char('\n'));
            break;
        case 't':
            result.append(QLatin1Char('\t'));
            break;
        case 'r':
            result.append(QLatin1Char('\r'));
            break;
        default:
            result.append(value[i]);
        }
    }
    return result;
}

// The Name[...] keys to try, best first: "de_AT" tries de_AT, then de. The C locale has none.
QStringList localeKeys()
{
    const QString name = QLocale().name();
    if (name == QLatin1String("C"))
        return {};
    QStringList keys = {name};
    const qsizetype underscore = name.indexOf(QLatin1Char('_'));
    if (underscore > 0)
        keys.append(name.left(underscore));
    return keys;
}

} // namespace

DesktopEntryIndex::DesktopEntryIndex() = default;

DesktopEntryIndex::DesktopEntryIndex(QStringList applicationDirs)
    : m_dirs(std::move(applicationDirs))
{
}

QStringList DesktopEntryIndex::defaultApplicationDirs()
{
    QStringList bases;
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(dataHome))
        dataHome = QDir::homePath() + QLatin1String("/.local/share");
    bases.append(dataHome);

    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString &dir : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        // The base-directory rules ignore relative paths.
        if (QDir::isAbsolutePath(dir))
            bases.append(dir);
    }

    QStringList dirs;
    for (const QString &base : std::as_const(bases)) {
        const QString dir = QDir::cleanPath(base + QLatin1String("/applications"));
        if (!dirs.contains(dir))
            dirs.append(dir);
    }
    return dirs;
}

std::optional<DesktopEntryIndex::Application> DesktopEntryIndex::find(
    const QString &windowClass, const QString &instanceName) const
{
    build();
    for (const QString &name : {windowClass, instanceName}) {
        if (name.isEmpty())
            continue;
        const QString key = name.toLower();
        for (const auto *table : {&m_byWindowClass, &m_byId}) {
            const qsizetype index = table->value(key, -1);
            if (index >= 0)
                return m_applications.at(index);
        }
    }
    return std::nullopt;
}

void DesktopEntryIndex::build() const
{
    if (m_built)
        return;
    m_built = true;
    const QStringList languages = localeKeys();
    for (const QString &dir : m_dirs.isEmpty() ? defaultApplicationDirs() : m_dirs) {
        QStringList files;
        QDirIterator it(dir, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files.append(it.next());
        files.sort(); // a stable order when two entries claim the same window class
        const QDir base(dir);
        for (const QString &path : std::as_const(files)) {
            QString id = base.relativeFilePath(path);
            id.chop(desktopSuffix.size());
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            addFile(path, id, languages);
        }
    }
}

void DesktopEntryIndex::addFile(const QString &path, const QString &id, const QStringList &languages) const
{
    const QString idKey = id.toLower();
    if (m_byId.contains(idKey))
        return; // an earlier folder has this id
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;

    QString name;
    QString windowClass;
    QHash<QString, QString> localizedNames;
    bool hidden = false;
    bool inEntryGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (inEntryGroup)
                break; // the other groups (actions) do not matter
            inEntryGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntryGroup)
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = unescape(QStringView(line).mid(equals + 1).trimmed());
        if (key == QLatin1String("Name"))
            name = value;
        else if (key.startsWith(QLatin1String("Name[")) && key.endsWith(QLatin1Char(']')))
            localizedNames.insert(key.mid(5, key.size() - 6), value);
        else if (key == QLatin1String("StartupWMClass"))
            windowClass = value;
        else if (key == QLatin1String("Hidden"))
            hidden = value == QLatin1String("true");
    }

    // A hidden entry deletes the id, including those of later folders.
    if (hidden || name.isEmpty()) {
        m_byId.insert(idKey, -1);
        return;
    }
    for (const QString &language : languages) {
        const auto localized = localizedNames.constFind(language);
        if (localized != localizedNames.cend() && !localized->isEmpty()) {
            name = *localized;
            break;
        }
    }
    const qsizetype index = m_applications.size();
    m_applications.append({id, name});
    m_byId.insert(idKey, index);
    if (!windowClass.isEmpty() && !m_byWindowClass.contains(windowClass.toLower()))
        m_byWindowClass.insert(windowClass.toLower(), index);
}
