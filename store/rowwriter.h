#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <vector>

// Inserts rows into one table through prepared statements with bound
// values, many rows a statement: each execution costs far more than
// a value does. Used within the transaction of one file.
class RowWriter final
{
public:
    // Rows of `columns` values each, given in the table's column order.
    RowWriter(QSqlDatabase &database, const QString &table, int columns);
    Q_DISABLE_COPY_MOVE(RowWriter)

    // False with `error` set when the statements cannot be prepared.
    bool prepare(QString *error);
    // Where the values of the next row go: `columns` of them, null at
    // first; a null QVariant is written as NULL. add() takes the row.
    QVariant *next() { return &m_pending[m_filled * size_t(m_columns)]; }
    // Takes the row made at next(), inserting the rows gathered once there
    // are enough of them.
    bool add(QString *error)
    {
        return ++m_filled < m_rowsPerStatement || flush(error);
    }
    // Inserts every row gathered.
    bool flush(QString *error);
    qint64 rowsWritten() const { return m_written; }

    // Rows a statement inserts: few enough that its values stay below the
    // 999 values a statement of any SQLite version takes.
    static constexpr int maxValues = 960;

private:
    bool execute(QSqlQuery &query, size_t firstRow, size_t rows, QString *error);

    QSqlDatabase &m_database;
    QString m_table;
    int m_columns;
    int m_rowsPerStatement;
    QSqlQuery m_many;
    QSqlQuery m_one;
    std::vector<QVariant> m_pending;
    int m_filled = 0;
    qint64 m_written = 0;
};
