#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The tables of the store, as any SQL tool sees them. A cell the viewer
// shows empty is NULL; times and durations are REALs in seconds.
namespace StoreSchema {

// The version written to PRAGMA user_version; a database of another
// version is refused rather than misread.
constexpr int version = 1;

// "files", "records", "runs".
const QStringList &tableNames();
// The columns of a table, in order; empty for a name that is no table of
// the store.
QStringList columnsOf(const QString &table);

// Makes the tables and indexes in an empty database, or checks that the
// database holds the store's tables. False with `error` set for a file that
// is no SQLite database, or one another program made.
bool prepare(QSqlDatabase &database, QString *error);

} // namespace StoreSchema
