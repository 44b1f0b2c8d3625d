#pragma once

class QSqlDatabase;
struct sqlite3;

/// SQLite's own connection behind `db`, a QSQLITE connection (nothing for another driver or a closed
/// connection): for what Qt's SQL classes do not give, or give at a cost.
sqlite3 *sqliteHandle(const QSqlDatabase &db);
