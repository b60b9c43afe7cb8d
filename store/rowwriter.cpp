#include "rowwriter.h"

#include <QSqlError>

#include <algorithm>

namespace {

QString insertText(const QString &table, int columns, int rows)
{
    QString row = QStringLiteral("(?");
    for (int i = 1; i < columns; ++i)
        row += QStringLiteral(",?");
    row += QLatin1Char(')');
    QString text = QStringLiteral("INSERT INTO ") + table + QStringLiteral(" VALUES ") + row;
    for (int i = 1; i < rows; ++i)
        text += QLatin1Char(',') + row;
    return text;
}

} // namespace

RowWriter::RowWriter(QSqlDatabase &database, const QString &table, int columns)
    : m_database(database)
    , m_table(table)
    , m_columns(std::max(columns, 1))
    , m_rowsPerStatement(std::max(maxValues / m_columns, 1))
    , m_many(database)
    , m_one(database)
    , m_pending(size_t(m_rowsPerStatement) * size_t(m_columns))
{
}

bool RowWriter::prepare(QString *error)
{
    if (!m_many.prepare(insertText(m_table, m_columns, m_rowsPerStatement))) {
        *error = m_many.lastError().text();
        return false;
    }
    if (!m_one.prepare(insertText(m_table, m_columns, 1))) {
        *error = m_one.lastError().text();
        return false;
    }
    return true;
}

bool RowWriter::execute(QSqlQuery &query, size_t firstRow, size_t rows, QString *error)
{
    const size_t first = firstRow * size_t(m_columns);
    const size_t count = rows * size_t(m_columns);
    for (size_t i = 0; i < count; ++i) {
        query.bindValue(int(i), m_pending[first + i]);
        m_pending[first + i] = QVariant();
    }
    if (!query.exec()) {
        *error = query.lastError().text();
        return false;
    }
    m_written += qint64(rows);
    return true;
}

bool RowWriter::flush(QString *error)
{
    const size_t filled = size_t(m_filled);
    m_filled = 0;
    if (filled == size_t(m_rowsPerStatement))
        return execute(m_many, 0, filled, error);
    for (size_t row = 0; row < filled; ++row) {
        if (!execute(m_one, row, 1, error))
            return false;
    }
    return true;
}
