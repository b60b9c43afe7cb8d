#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringView>

#include <array>

struct sqlite3;
struct sqlite3_stmt;

// Inserts rows into one table through a prepared statement with bound
// values, within the transaction of one file. It binds through SQLite's own
// interface on the Qt SQL connection's handle: binding through QSqlQuery
// costs more than the insert itself, for millions of values.
class RowWriter final
{
public:
    static constexpr int maxColumns = 16;

    // Rows of `columns` values each, in the table's column order.
    RowWriter(QSqlDatabase &database, const QString &table, int columns);
    ~RowWriter();
    Q_DISABLE_COPY_MOVE(RowWriter)

    // False with `error` set when the statement cannot be prepared.
    bool prepare(QString *error);
    // The values of the row being made; a column given none is NULL.
    void setInteger(int column, qint64 value);
    void setReal(int column, double value);
    // NULL for an empty text. The text is kept until the row is inserted.
    void setText(int column, const QString &text);
    // The same for texts that outlive the row, read in place: no copy, and
    // an ASCII text is not even converted (the database keeps UTF-8).
    void setLastingText(int column, QStringView text);
    void setLastingText(int column, QLatin1String text);
    // Inserts the row made and starts the next.
    bool add(QString *error);

private:
    QString failure() const;
    void bound(int result);

    QSqlDatabase &m_database;
    QString m_table;
    int m_columns;
    sqlite3 *m_handle = nullptr;
    sqlite3_stmt *m_statement = nullptr;
    // The texts of the row being made, kept until it is inserted: the
    // statement reads them in place.
    std::array<QString, maxColumns> m_texts;
    // The first value of the row SQLite refused (one too long), if any.
    int m_refused = 0;
};
