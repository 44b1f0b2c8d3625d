#include "StoreWriter.h"

#include <algorithm>

#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>

Q_LOGGING_CATEGORY(lcWriter, "quillbox.store.writer", QtInfoMsg)

StoreWriter::StoreWriter(const QString &path, QObject *parent)
    : QObject(parent)
    , m_path(path)
    , m_connectionName(QStringLiteral("quillbox-writer-%1").arg(quintptr(this)))
{
    m_thread = QThread::create([this] { run(); });
    m_thread->start();
}

StoreWriter::~StoreWriter()
{
    {
        QMutexLocker lock(&m_mutex);
        m_stopping = true;
        m_changed.wakeAll();
    }
    m_thread->wait();
    delete m_thread;
}

void StoreWriter::submit(Batch batch)
{
    QMutexLocker lock(&m_mutex);
    m_queue.append(std::move(batch));
    m_changed.wakeAll();
}

QList<StoreWriter::Result> StoreWriter::takeResults()
{
    QMutexLocker lock(&m_mutex);
    return std::exchange(m_results, {});
}

void StoreWriter::waitUntilDone(quint64 sequence)
{
    QMutexLocker lock(&m_mutex);
    while (m_done < sequence)
        m_changed.wait(&m_mutex);
}

void StoreWriter::run()
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        db.setDatabaseName(m_path);
        // Off the GUI thread a busy file can be waited for longer; a save that still finds it busy
        // fails and is taken back.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=1000"));
        if (db.open()) {
            QSqlQuery(db).exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
            // What the person deletes is overwritten in the file, not left readable in free pages.
            QSqlQuery(db).exec(QStringLiteral("PRAGMA secure_delete=ON"));
        } else
            qCWarning(lcWriter) << "cannot open the store:" << db.lastError().text();

        for (;;) {
            Batch batch;
            {
                QMutexLocker lock(&m_mutex);
                while (m_queue.isEmpty() && !m_stopping)
                    m_changed.wait(&m_mutex);
                if (m_queue.isEmpty())
                    break;
                batch = m_queue.takeFirst();
            }
            Result result{batch.sequence, Result::Outcome::written, {}};
            if (m_failedEpoch && batch.epoch <= *m_failedEpoch) {
                result.outcome = Result::Outcome::skipped;
            } else if (const auto failure = apply(batch)) {
                qCWarning(lcWriter) << "save failed:" << failure->message;
                result = {batch.sequence, Result::Outcome::failed, *failure};
                m_failedEpoch = batch.epoch;
            }
            {
                QMutexLocker lock(&m_mutex);
                m_results.append(result);
                m_done = batch.sequence;
                m_changed.wakeAll();
            }
            emit resultsReady();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

namespace {

// Qt hands text to SQLite as UTF-16, and SQLite reads a leading U+FEFF or U+FFFE of UTF-16 as a
// byte-order mark: it drops the one and byte-swaps the whole text after the other. Text goes in as
// its UTF-8 bytes instead, made text again by SQL, so every character is stored as it is.
QString placeholder(const QVariant &value)
{
    return value.typeId() == QMetaType::QString ? QStringLiteral("CAST(? AS TEXT)") : QStringLiteral("?");
}

QVariant bindable(const QVariant &value)
{
    if (value.typeId() != QMetaType::QString)
        return value;
    QByteArray utf8 = value.toString().toUtf8();
    // A null byte array would be bound as NULL; empty text is not NULL.
    return utf8.isNull() ? QByteArray("", 0) : utf8;
}

} // namespace

std::optional<SaveFailure> StoreWriter::apply(const Batch &batch)
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.isOpen())
        return SaveFailure{SaveFailure::Cause::other, QStringLiteral("the store is not open")};
    if (!db.transaction())
        return SaveFailure::of(db, QStringLiteral("cannot begin a transaction: %1").arg(db.lastError().text()));
    QSqlQuery query(db);
    for (const Change &change : batch.changes) {
        QStringList names;
        QStringList placeholders;
        QStringList assignments;
        for (const auto &[name, value] : change.columns) {
            names.append(name);
            placeholders.append(placeholder(value));
            assignments.append(name + QStringLiteral(" = ") + placeholders.last());
        }
        switch (change.kind) {
        case Change::Kind::insert:
            query.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                              .arg(change.table, names.join(QLatin1Char(',')), placeholders.join(QLatin1Char(','))));
            break;
        case Change::Kind::update:
            query.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE id = %3")
                              .arg(change.table, assignments.join(QLatin1Char(',')), placeholder(change.id)));
            break;
        case Change::Kind::remove:
            query.prepare(QStringLiteral("DELETE FROM %1 WHERE id = %2").arg(change.table, placeholder(change.id)));
            break;
        }
        for (const auto &[name, value] : change.columns)
            query.addBindValue(bindable(value));
        if (change.kind != Change::Kind::insert)
            query.addBindValue(bindable(change.id));
        if (!query.exec()) {
            const SaveFailure failure = SaveFailure::of(db, query.lastError().text());
            query.finish();
            db.rollback();
            return failure;
        }
    }
    if (!db.commit()) {
        const SaveFailure failure = SaveFailure::of(db, QStringLiteral("commit failed: %1").arg(db.lastError().text()));
        db.rollback();
        return failure;
    }
    // The journal still holds the pages as they were before a deletion: fold it into the file and
    // empty it. A reader in the middle of a read can hold it back; the next deletion tries again.
    const bool removes = std::any_of(batch.changes.cbegin(), batch.changes.cend(),
        [](const Change &change) { return change.kind == Change::Kind::remove; });
    if (removes)
        QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    return std::nullopt;
}
