#include "DesktopEntryIndex.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

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

DesktopEntryIndex::DesktopEntryIndex(QObject *parent)
    : DesktopEntryIndex(QStringList(), parent)
{
}

DesktopEntryIndex::DesktopEntryIndex(QStringList applicationDirs, QObject *parent)
    : QObject(parent)
    , m_dirs(std::move(applicationDirs))
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMs);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&m_settle, &QTimer::timeout, this, &DesktopEntryIndex::startScan);
    connect(&m_scan, &QFutureWatcher<Table>::finished, this, [this] { adopt(m_scan.result()); });
    startScan();
}

// A scan still running finishes in the pool on its own copies; its result goes nowhere.
DesktopEntryIndex::~DesktopEntryIndex() = default;

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
    for (const QString &name : {windowClass, instanceName}) {
        if (name.isEmpty())
            continue;
        const QString key = name.toLower();
        for (const auto *table : {&m_table.byWindowClass, &m_table.byId}) {
            const qsizetype index = table->value(key, -1);
            if (index >= 0)
                return m_table.applications.at(index);
        }
    }
    return std::nullopt;
}

std::optional<DesktopEntryIndex::Application> DesktopEntryIndex::byId(const QString &id) const
{
    const qsizetype index = m_table.byId.value(id.toLower(), -1);
    return index >= 0 ? std::optional(m_table.applications.at(index)) : std::nullopt;
}

RunningApplication DesktopEntryIndex::application(const QString &windowClass, const QString &instanceName) const
{
    RunningApplication application;
    application.windowClass = windowClass.isEmpty() ? instanceName : windowClass;
    const auto entry = find(windowClass, instanceName);
    application.localizedName = entry ? entry->name : application.windowClass;
    application.bundleIdentifier = entry ? entry->id : application.windowClass;
    return application;
}

void DesktopEntryIndex::startScan()
{
    if (m_scan.isRunning()) {
        m_scanAgain = true;
        return;
    }
    // The folders and the language are the GUI thread's to read.
    m_scan.setFuture(QtConcurrent::run(
        &DesktopEntryIndex::scan, m_dirs.isEmpty() ? defaultApplicationDirs() : m_dirs, localeKeys()));
}

void DesktopEntryIndex::adopt(const Table &table)
{
    m_table = table;
    // Only the difference: a folder unwatched for a moment would miss what changes in that moment.
    const QStringList watching = m_watcher.directories();
    QStringList stale;
    for (const QString &dir : watching) {
        if (!m_table.watched.contains(dir))
            stale.append(dir);
    }
    QStringList fresh;
    for (const QString &dir : std::as_const(m_table.watched)) {
        if (!watching.contains(dir))
            fresh.append(dir);
    }
    if (!stale.isEmpty())
        m_watcher.removePaths(stale);
    if (!fresh.isEmpty())
        m_watcher.addPaths(fresh);
    emit rebuilt();
    // Changes seen while it ran may have come too late for it.
    if (std::exchange(m_scanAgain, false))
        startScan();
}

DesktopEntryIndex::Table DesktopEntryIndex::scan(const QStringList &dirs, const QStringList &languages)
{
    Table table;
    for (const QString &dir : dirs) {
        if (!QFileInfo(dir).isDir()) {
            // The folder may be made later, by the first program installed there.
            if (const QString parent = QFileInfo(dir).path(); QFileInfo(parent).isDir())
                table.watched.append(parent);
            continue;
        }
        table.watched.append(dir);
        QStringList files;
        QDirIterator it(dir, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (it.fileInfo().isDir())
                table.watched.append(path);
            else if (path.endsWith(desktopSuffix, Qt::CaseInsensitive))
                files.append(path);
        }
        files.sort(); // a stable order when two entries claim the same window class
        const QDir base(dir);
        for (const QString &path : std::as_const(files)) {
            QString id = base.relativeFilePath(path);
            id.chop(desktopSuffix.size());
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            addFile(table, path, id, languages);
        }
    }
    table.watched.removeDuplicates();
    return table;
}

void DesktopEntryIndex::addFile(Table &table, const QString &path, const QString &id, const QStringList &languages)
{
    const QString idKey = id.toLower();
    if (table.byId.contains(idKey))
        return; // an earlier folder has this id
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;

    QString name;
    QString windowClass;
    QString icon;
    QHash<QString, QString> localizedNames;
    bool hidden = false;
    bool shown = true;
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
        else if (key == QLatin1String("Icon"))
            icon = value;
        else if (key == QLatin1String("Hidden"))
            hidden = value == QLatin1String("true");
        else if (key == QLatin1String("NoDisplay"))
            shown = value != QLatin1String("true");
    }

    // A hidden entry deletes the id, including those of later folders.
    if (hidden || name.isEmpty()) {
        table.byId.insert(idKey, -1);
        return;
    }
    for (const QString &language : languages) {
        const auto localized = localizedNames.constFind(language);
        if (localized != localizedNames.cend() && !localized->isEmpty()) {
            name = *localized;
            break;
        }
    }
    const qsizetype index = table.applications.size();
    table.applications.append({id, name, icon, windowClass, shown});
    table.byId.insert(idKey, index);
    if (!windowClass.isEmpty() && !table.byWindowClass.contains(windowClass.toLower()))
        table.byWindowClass.insert(windowClass.toLower(), index);
}
