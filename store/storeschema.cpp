#include "storeschema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace StoreSchema {

namespace {

// "end" is a word of SQL, so that column is quoted; queries quote it too.
const char *const creation[] = {
    "CREATE TABLE files(id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE, size INTEGER NOT NULL, "
    "mtime TEXT NOT NULL, sha256 TEXT NOT NULL, records INTEGER NOT NULL, problems INTEGER NOT NULL)",
    // The records are kept in the order of their file and time: the table is
    // its own index on records(file_id, time), and no second copy of those
    // keys is kept (a file's line makes each key unique).
    "CREATE TABLE records(file_id INTEGER NOT NULL REFERENCES files(id), line INTEGER NOT NULL, time REAL NOT NULL, "
    "type TEXT, subsystem TEXT, action INTEGER, activity TEXT, message TEXT, PRIMARY KEY(file_id, time, line)) "
    "WITHOUT ROWID",
    "CREATE TABLE runs(file_id INTEGER NOT NULL REFERENCES files(id), id INTEGER, name TEXT, arguments TEXT, "
    "subsystem TEXT, start REAL, \"end\" REAL, duration REAL, outcome TEXT, subactions INTEGER, cause TEXT)",
    "CREATE INDEX runs_by_name ON runs(name)",
    // A file's runs are counted and replaced without reading every run.
    "CREATE INDEX runs_by_file ON runs(file_id)",
};

QString failure(const QSqlDatabase &database, const QSqlQuery &query)
{
    const QString text = query.lastError().text().trimmed();
    return QStringLiteral("'") + database.databaseName() + QStringLiteral("': ")
        + (text.isEmpty() ? QStringLiteral("unknown database error") : text);
}

// The store's tables and columns, as the database has them.
bool readTables(QSqlDatabase &database, QStringList &found, QString *error)
{
    QSqlQuery query(database);
    if (!query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"))) {
        *error = failure(database, query);
        return false;
    }
    while (query.next())
        found << query.value(0).toString();
    return true;
}

bool create(QSqlDatabase &database, QString *error)
{
    QSqlQuery query(database);
    if (!database.transaction()) {
        *error = QStringLiteral("'") + database.databaseName() + QStringLiteral("': ")
            + database.lastError().text();
        return false;
    }
    for (const char *statement : creation) {
        if (!query.exec(QLatin1String(statement))) {
            *error = failure(database, query);
            database.rollback();
            return false;
        }
    }
    if (!query.exec(QStringLiteral("PRAGMA user_version = %1").arg(version)) || !database.commit()) {
        *error = failure(database, query);
        database.rollback();
        return false;
    }
    return true;
}

bool matches(QSqlDatabase &database, QString *error)
{
    QSqlQuery query(database);
    for (const QString &table : tableNames()) {
        QStringList columns;
        if (!query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table))) {
            *error = failure(database, query);
            return false;
        }
        while (query.next())
            columns << query.value(1).toString();
        if (columns != columnsOf(table)) {
            *error = QStringLiteral("'") + database.databaseName()
                + QStringLiteral("' is not a store of runs: its table %1 has other columns").arg(table);
            return false;
        }
    }
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
        *error = failure(database, query);
        return false;
    }
    if (query.value(0).toInt() != version) {
        *error = QStringLiteral("'") + database.databaseName()
            + QStringLiteral("' is a store of version %1; this program writes version %2")
                  .arg(query.value(0).toInt())
                  .arg(version);
        return false;
    }
    return true;
}

} // namespace

const QStringList &tableNames()
{
    static const QStringList names{QStringLiteral("files"), QStringLiteral("records"), QStringLiteral("runs")};
    return names;
}

QStringList columnsOf(const QString &table)
{
    if (table == QLatin1String("files"))
        return {QStringLiteral("id"), QStringLiteral("path"), QStringLiteral("size"), QStringLiteral("mtime"),
                QStringLiteral("sha256"), QStringLiteral("records"), QStringLiteral("problems")};
    if (table == QLatin1String("records"))
        return {QStringLiteral("file_id"), QStringLiteral("line"), QStringLiteral("time"), QStringLiteral("type"),
                QStringLiteral("subsystem"), QStringLiteral("action"), QStringLiteral("activity"),
                QStringLiteral("message")};
    if (table == QLatin1String("runs"))
        return {QStringLiteral("file_id"), QStringLiteral("id"), QStringLiteral("name"), QStringLiteral("arguments"),
                QStringLiteral("subsystem"), QStringLiteral("start"), QStringLiteral("end"),
                QStringLiteral("duration"), QStringLiteral("outcome"), QStringLiteral("subactions"),
                QStringLiteral("cause")};
    return {};
}

bool prepare(QSqlDatabase &database, QString *error)
{
    QStringList tables;
    if (!readTables(database, tables, error))
        return false;
    if (tables.isEmpty())
        return create(database, error);
    for (const QString &table : tableNames()) {
        if (!tables.contains(table)) {
            *error = QStringLiteral("'") + database.databaseName()
                + QStringLiteral("' is not a store of runs: it has no table %1").arg(table);
            return false;
        }
    }
    return matches(database, error);
}

} // namespace StoreSchema
