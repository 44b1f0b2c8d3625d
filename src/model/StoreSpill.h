#pragma once

#include "StoreWriter.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <atomic>

class ModelContext;

/// Keeps the changes a store cannot take in a small file elsewhere, the spill (see SpillFile), and
/// gives them back to the store at the next start.
///
/// While saves are refused because the disk is full, each refusal rewrites the spill in the
/// background, so a session that ends without quitting (killed, a power cut) loses at most what
/// came after the last rewrite; the first save written afterwards removes it. At quit `keep` writes
/// what is still unsaved.
class StoreSpill : public QObject {
    Q_OBJECT

public:
    /// The folders a spill may go to; an empty one is not used. See `candidates` for the order.
    struct Folders {
        QString cache;
        QString runtime;
    };
    /// $XDG_CACHE_HOME/Quillbox (~/.cache/Quillbox) and $XDG_RUNTIME_DIR/Quillbox.
    static Folders standardFolders();
    /// A spill stays small: beyond this the largest changes (images, long texts) are left out.
    static constexpr qint64 defaultMaxBytes = 16 * 1024 * 1024;

    /// Follows `context`, whose store is the file at `storePath`; both must outlive the spill.
    StoreSpill(ModelContext &context, const QString &storePath, const Folders &folders,
        qint64 maxBytes = defaultMaxBytes, QObject *parent = nullptr);
    /// Waits for the writes under way.
    ~StoreSpill() override;

    struct Recovery {
        /// The spill whose changes were taken in; empty when there was none.
        QString file;
        int changes = 0;
        /// They are in the store. Otherwise they wait in memory with the other unsaved changes, and
        /// the file stays until a save is written.
        bool written = false;
        /// "FILE: reason" for each spill of this store that could not be used; those are left as
        /// they are.
        QStringList unusable;
    };
    /// At start, before anything else changes the context: takes in the changes of this store's
    /// newest spill and saves them, in one transaction. Each spill holds every change unsaved when it
    /// was written, so older ones add nothing; all go once that save is written.
    Recovery recover();

    struct Kept {
        /// Where the changes are; empty when no folder could take them.
        QString file;
        /// How many are in the file.
        int changes = 0;
        /// How many were too large for it.
        int leftOut = 0;
        /// In $XDG_RUNTIME_DIR, which is emptied when the person's last session ends.
        bool lastsUntilLogout = false;
        /// "FOLDER: reason" for each folder that was not used.
        QStringList failures;
    };
    /// At quit, once the last save has been refused: writes every unsaved change of the context.
    Kept keep();

private:
    struct Candidate {
        QString folder;
        bool lastsUntilLogout;
    };
    QList<Candidate> candidates(QStringList *skipped) const;
    bool isOnTheStoresFileSystem(const QString &folder) const;
    /// This store's spills start with it: one store's spill is never taken for another's.
    QString filePrefix() const;
    /// Writes the spill and removes the ones it replaces. Runs on the pool's thread or, at quit,
    /// with the pool idle.
    Kept write(const QList<StoreWriter::Change> &changes);
    void removeFiles();
    void keepInBackground();
    void removeInBackground();

    ModelContext &m_context;
    QString m_storePath;
    Folders m_folders;
    qint64 m_maxBytes;
    // One thread: the writes and removals happen in the order they were asked for.
    QThreadPool m_pool;
    // A rewrite asked for before a newer one or a removal is not done at all.
    std::atomic<quint64> m_generation = 0;
    QMutex m_mutex;
    QStringList m_files; // the spills this run wrote or took in; guarded by m_mutex
    bool m_spilled = false; // main thread: files may exist that a written save makes out of date
    bool m_backgroundFailed = false; // only the pool's thread
};
