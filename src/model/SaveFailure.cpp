#include "SaveFailure.h"

#include "SqliteHandle.h"

#include <cerrno>

#include <sqlite3.h>

SaveFailure::Cause SaveFailure::causeOf(int sqliteResultCode, int systemErrno)
{
    // The low byte is the primary code (SQLITE_IOERR_WRITE is SQLITE_IOERR and more).
    switch (sqliteResultCode & 0xff) {
    case SQLITE_FULL:
        return Cause::diskFull;
    case SQLITE_IOERR:
        // SQLite says SQLITE_FULL for a short write, but growing a file (the WAL index, a truncation)
        // fails as an I/O error whose errno tells. A used-up quota leaves the person the same remedy.
        return systemErrno == ENOSPC || systemErrno == EDQUOT ? Cause::diskFull : Cause::other;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Cause::locked;
    default:
        return Cause::other;
    }
}

SaveFailure SaveFailure::of(const QSqlDatabase &db, const QString &message)
{
    sqlite3 *connection = sqliteHandle(db);
    if (!connection)
        return {Cause::other, message};
    return {causeOf(sqlite3_extended_errcode(connection), sqlite3_system_errno(connection)), message};
}
