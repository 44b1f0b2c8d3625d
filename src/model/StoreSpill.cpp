#include "StoreSpill.h"

#include "ModelContext.h"
#include "SpillFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include <sys/stat.h>

Q_LOGGING_CATEGORY(lcSpill, "quillbox.store.spill", QtInfoMsg)

namespace {

// Folders it makes are the person's alone (0700), as XDG asks of its base directories.
bool makePrivateFolder(const QString &path, QString *error)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno == ENOENT) {
        const QString parent = QFileInfo(path).absolutePath();
        if (parent == path || !makePrivateFolder(parent, error))
            return false;
        ::mkdir(native.constData(), 0700);
    }
    struct stat status { };
    if (::lstat(native.constData(), &status) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (!S_ISDIR(status.st_mode)) {
        *error = QStringLiteral("it is not a folder");
        return false;
    }
    if ((status.st_mode & 0777) != 0700 && ::chmod(native.constData(), 0700) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

} // namespace

StoreSpill::Folders StoreSpill::standardFolders()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return {QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Quillbox"),
        runtime.isEmpty() ? QString() : runtime + QStringLiteral("/Quillbox")};
}

StoreSpill::StoreSpill(
    ModelContext &context, const QString &storePath, const Folders &folders, qint64 maxBytes, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_storePath(QFileInfo(storePath).absoluteFilePath())
    , m_folders(folders)
    , m_maxBytes(maxBytes)
{
    m_pool.setMaxThreadCount(1);
    connect(&context, &ModelContext::saveFailed, this, [this](const SaveFailure &failure) {
        if (failure.cause == SaveFailure::Cause::diskFull)
            keepInBackground();
    });
    connect(&context, &ModelContext::saved, this, &StoreSpill::removeInBackground);
}

StoreSpill::~StoreSpill()
{
    ++m_generation;
    m_pool.waitForDone();
}

QString StoreSpill::filePrefix() const
{
    const QByteArray hash = QCryptographicHash::hash(m_storePath.toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("unsaved-%1-").arg(QString::fromLatin1(hash.left(4).toHex()));
}

bool StoreSpill::isOnTheStoresFileSystem(const QString &folder) const
{
    struct stat store { };
    struct stat other { };
    if (::stat(QFile::encodeName(QFileInfo(m_storePath).absolutePath()).constData(), &store) != 0)
        return false;
    // A folder not made yet will be made on the file system of its nearest existing parent.
    QString existing = QFileInfo(folder).absoluteFilePath();
    while (::stat(QFile::encodeName(existing).constData(), &other) != 0) {
        const QString parent = QFileInfo(existing).absolutePath();
        if (parent == existing)
            return false;
        existing = parent;
    }
    return store.st_dev == other.st_dev;
}

QList<StoreSpill::Candidate> StoreSpill::candidates(QStringList *skipped) const
{
    // The cache folder outlives logging out and rebooting, so it comes first, but only on another
    // file system than the store: on the same one (the common case: both in the home folder) it is
    // as full as the store, and its last bytes are better left to other programs. $XDG_RUNTIME_DIR is
    // a tmpfs that logind empties when the person's last session ends, so a spill there is back at
    // the next start only if that start comes first; it still beats losing the changes at once. A
    // cache on its own mount that shares the store's space (a btrfs subvolume) fails to write and
    // falls through to it as well.
    QList<Candidate> folders;
    if (!m_folders.cache.isEmpty()) {
        if (isOnTheStoresFileSystem(m_folders.cache))
            skipped->append(m_folders.cache + QStringLiteral(": on the store's file system"));
        else
            folders.append({m_folders.cache, false});
    }
    if (m_folders.runtime.isEmpty())
        skipped->append(QStringLiteral("$XDG_RUNTIME_DIR: not set"));
    else
        folders.append({m_folders.runtime, true});
    return folders;
}

StoreSpill::Kept StoreSpill::write(const QList<StoreWriter::Change> &changes)
{
    Kept kept;
    // Beyond the bound the largest insertions and updates are left out first, which keeps the most
    // changes. Removals always stay: they are small, and what the person deleted must not come back.
    QList<qsizetype> sizes;
    qsizetype total = 0;
    for (const auto &change : changes) {
        sizes.append(SpillFile::sizeOf(change));
        total += sizes.last();
    }
    QList<bool> leftOut(changes.size(), false);
    if (total > m_maxBytes) {
        QList<qsizetype> largestFirst;
        for (qsizetype i = 0; i < changes.size(); ++i) {
            if (changes.at(i).kind != StoreWriter::Change::Kind::remove)
                largestFirst.append(i);
        }
        std::stable_sort(largestFirst.begin(), largestFirst.end(),
            [&](qsizetype a, qsizetype b) { return sizes.at(a) > sizes.at(b); });
        for (const qsizetype i : std::as_const(largestFirst)) {
            if (total <= m_maxBytes)
                break;
            leftOut[i] = true;
            total -= sizes.at(i);
            ++kept.leftOut;
        }
    }
    SpillFile::Contents contents{m_storePath, QDateTime::currentDateTimeUtc(), {}};
    for (qsizetype i = 0; i < changes.size(); ++i) {
        if (!leftOut.at(i))
            contents.changes.append(changes.at(i));
    }

    if (contents.changes.isEmpty()) {
        if (!changes.isEmpty())
            kept.failures.append(
                QStringLiteral("each change is larger than the %1 KB a spill may take").arg(m_maxBytes / 1024));
        return kept;
    }

    const QString name = filePrefix() + QString::number(contents.writtenAt.toMSecsSinceEpoch());
    for (const auto &[folder, lastsUntilLogout] : candidates(&kept.failures)) {
        QString error;
        if (!makePrivateFolder(folder, &error)) {
            kept.failures.append(folder + QStringLiteral(": ") + error);
            continue;
        }
        const QString path = folder + u'/' + name;
        if (const auto failure = SpillFile::write(path, contents)) {
            kept.failures.append(path + QStringLiteral(": ") + *failure);
            continue;
        }
        kept.file = path;
        kept.changes = int(contents.changes.size());
        kept.lastsUntilLogout = lastsUntilLogout;
        // Each spill holds all that is unsaved: the earlier ones are out of date.
        QMutexLocker lock(&m_mutex);
        for (const QString &replaced : std::exchange(m_files, {path})) {
            if (replaced != path)
                QFile::remove(replaced);
        }
        return kept;
    }
    return kept;
}

void StoreSpill::removeFiles()
{
    QMutexLocker lock(&m_mutex);
    for (const QString &file : std::exchange(m_files, {}))
        QFile::remove(file);
}

void StoreSpill::keepInBackground()
{
    m_spilled = true;
    const quint64 generation = ++m_generation;
    m_pool.start([this, generation, changes = m_context.unsavedChanges()] {
        if (generation != m_generation)
            return;
        const Kept kept = write(changes);
        // Said when it starts failing and when it works again, not at every copy.
        if (kept.file.isEmpty() == m_backgroundFailed)
            return;
        m_backgroundFailed = kept.file.isEmpty();
        if (m_backgroundFailed)
            qCWarning(lcSpill).noquote() << "the unsaved changes cannot be kept outside the store:"
                                         << kept.failures.join(QStringLiteral("; "));
        else
            qCInfo(lcSpill).noquote() << "the unsaved changes are kept in" << kept.file;
    });
}

void StoreSpill::removeInBackground()
{
    // Most saves follow no refusal; they have nothing to remove.
    if (!std::exchange(m_spilled, false))
        return;
    ++m_generation;
    m_pool.start([this] {
        removeFiles();
        m_backgroundFailed = false;
    });
}

StoreSpill::Recovery StoreSpill::recover()
{
    Recovery recovery;
    QList<std::pair<QString, SpillFile::Contents>> readable;
    for (const QString &folder : {m_folders.cache, m_folders.runtime}) {
        if (folder.isEmpty())
            continue;
        const QDir dir(folder);
        for (const QString &name : dir.entryList({filePrefix() + u'*'}, QDir::Files)) {
            // A write cut short holds nothing usable; the spill before it is whole.
            if (name.endsWith(QLatin1String(".partial"))) {
                QFile::remove(dir.filePath(name));
                continue;
            }
            const QString path = dir.filePath(name);
            auto contents = SpillFile::read(path);
            if (const auto *error = std::get_if<QString>(&contents))
                recovery.unusable.append(path + QStringLiteral(": ") + *error);
            else if (std::get<SpillFile::Contents>(contents).storePath != m_storePath)
                recovery.unusable.append(path + QStringLiteral(": it belongs to the store at ")
                    + std::get<SpillFile::Contents>(contents).storePath);
            else
                readable.append({path, std::move(std::get<SpillFile::Contents>(contents))});
        }
    }
    std::stable_sort(readable.begin(), readable.end(),
        [](const auto &a, const auto &b) { return a.second.writtenAt > b.second.writtenAt; });
    for (const auto &[path, contents] : std::as_const(readable)) {
        if (const auto error = m_context.takeInUnsavedChanges(contents.changes)) {
            recovery.unusable.append(path + QStringLiteral(": ") + *error);
            continue;
        }
        recovery.file = path;
        recovery.changes = int(contents.changes.size());
        break;
    }
    if (recovery.file.isEmpty())
        return recovery;
    {
        QMutexLocker lock(&m_mutex);
        for (const auto &[path, contents] : std::as_const(readable))
            m_files.append(path);
    }
    m_spilled = true;
    m_context.save();
    recovery.written = m_context.waitForSaves();
    if (recovery.written) {
        // The changes may have been in the store already (a start that ended before it removed its
        // spill): then nothing was written, and nothing else removes the files.
        m_pool.waitForDone();
        removeFiles();
        m_spilled = false;
    }
    return recovery;
}

StoreSpill::Kept StoreSpill::keep()
{
    ++m_generation;
    m_pool.waitForDone();
    return write(m_context.unsavedChanges());
}
