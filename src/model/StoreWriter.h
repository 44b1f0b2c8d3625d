#pragma once

#include "SaveFailure.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QWaitCondition>

#include <optional>

class QThread;

/// Applies saves to the store file on a thread of its own, with its own connection, one transaction
/// per batch, in the order they were submitted. A batch holds only values copied on the submitting
/// thread, never the records themselves.
///
/// After a batch fails, later batches of the same epoch are skipped unwritten: the submitter takes
/// all of them back and submits their changes again, in a newer epoch, so nothing overtakes them.
class StoreWriter : public QObject {
    Q_OBJECT

public:
    struct Change {
        enum class Kind { insert, update, remove };
        Kind kind;
        QString table;
        QString id; // the row's key: the record's UUID as stored
        QList<std::pair<QString, QVariant>> columns; // empty for a removal
    };
    struct Batch {
        quint64 sequence;
        quint64 epoch;
        QList<Change> changes;
    };
    struct Result {
        quint64 sequence;
        enum class Outcome { written, failed, skipped } outcome;
        SaveFailure failure; // why, when it failed
    };

    explicit StoreWriter(const QString &path, QObject *parent = nullptr);
    /// Applies what was submitted before it returns.
    ~StoreWriter() override;

    void submit(Batch batch);
    /// The results since the last call, in batch order.
    QList<Result> takeResults();
    /// Blocks until the batch `sequence` and every one before it has a result.
    void waitUntilDone(quint64 sequence);

signals:
    /// Emitted on the writer's thread whenever new results can be taken.
    void resultsReady();

private:
    void run();
    std::optional<SaveFailure> apply(const Batch &batch);

    QString m_path;
    QString m_connectionName;
    QThread *m_thread = nullptr;

    QMutex m_mutex;
    QWaitCondition m_changed;
    QList<Batch> m_queue;
    QList<Result> m_results;
    quint64 m_done = 0;
    bool m_stopping = false;

    std::optional<quint64> m_failedEpoch; // writer thread only
};
