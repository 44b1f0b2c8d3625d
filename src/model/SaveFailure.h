#pragma once

#include <QString>

class QSqlDatabase;

/// Why the store's writer could not write a save. The cause decides what the person is told: a full
/// disk lasts until they free space, a locked store passes by itself.
struct SaveFailure {
    enum class Cause {
        /// The file system that holds the store has no space left (or the person's quota is used up).
        diskFull,
        /// Another connection holds the store's lock.
        locked,
        other,
    };

    Cause cause = Cause::other;
    /// What SQLite or the writer said, for the log.
    QString message;

    /// The cause of a failed SQLite call, from its (extended) result code and, for an I/O error, the
    /// errno the system gave SQLite.
    static Cause causeOf(int sqliteResultCode, int systemErrno);
    /// The failure of the latest call on `db`, a QSQLITE connection, read from SQLite itself: Qt keeps
    /// no result code when a commit fails, and never the errno behind an I/O error.
    static SaveFailure of(const QSqlDatabase &db, const QString &message);
};
