#include "rowwriter.h"

#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

#include <algorithm>

RowWriter::RowWriter(QSqlDatabase &database, const QString &table, int columns)
    : m_database(database)
    , m_table(table)
    , m_columns(std::clamp(columns, 1, maxColumns))
{
}

RowWriter::~RowWriter()
{
    sqlite3_finalize(m_statement);
}

QString RowWriter::failure() const
{
    return m_handle ? QString::fromUtf8(sqlite3_errmsg(m_handle)) : QStringLiteral("no SQLite connection");
}

bool RowWriter::prepare(QString *error)
{
    // The driver hands out its connection as a QVariant of sqlite3*.
    const QVariant handle = m_database.driver() ? m_database.driver()->handle() : QVariant();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        m_handle = *static_cast<sqlite3 *const *>(handle.constData());
    if (!m_handle) {
        *error = QStringLiteral("the database driver is not SQLite's");
        return false;
    }
    QString text = QStringLiteral("INSERT INTO ") + m_table + QStringLiteral(" VALUES (?");
    for (int i = 1; i < m_columns; ++i)
        text += QStringLiteral(",?");
    text += QLatin1Char(')');
    const QByteArray utf8 = text.toUtf8();
    if (sqlite3_prepare_v2(m_handle, utf8.constData(), utf8.size(), &m_statement, nullptr) != SQLITE_OK) {
        *error = failure();
        return false;
    }
    return true;
}

void RowWriter::bound(int result)
{
    if (result != SQLITE_OK && m_refused == SQLITE_OK)
        m_refused = result;
}

void RowWriter::setInteger(int column, qint64 value)
{
    bound(sqlite3_bind_int64(m_statement, column + 1, value));
}

void RowWriter::setReal(int column, double value)
{
    bound(sqlite3_bind_double(m_statement, column + 1, value));
}

void RowWriter::setText(int column, const QString &text)
{
    if (text.isEmpty() || column < 0 || column >= m_columns)
        return;
    m_texts[size_t(column)] = text;
    bound(sqlite3_bind_text16(m_statement, column + 1, m_texts[size_t(column)].utf16(), int(text.size() * 2),
                              SQLITE_STATIC));
}

void RowWriter::setLastingText(int column, QStringView text)
{
    if (!text.isEmpty())
        bound(sqlite3_bind_text16(m_statement, column + 1, text.utf16(), int(text.size() * 2), SQLITE_STATIC));
}

void RowWriter::setLastingText(int column, QLatin1String text)
{
    if (text.isEmpty())
        return;
    const char *const begin = text.data();
    const char *const end = begin + text.size();
    // Latin-1 and UTF-8 agree on ASCII, so nearly every log's text is
    // bound as it is.
    if (std::all_of(begin, end, [](char c) { return uchar(c) < 0x80; }))
        bound(sqlite3_bind_text(m_statement, column + 1, begin, text.size(), SQLITE_STATIC));
    else
        setText(column, QString(text));
}

bool RowWriter::add(QString *error)
{
    if (m_refused != SQLITE_OK) {
        *error = QStringLiteral("a value SQLite refused: ") + QString::fromUtf8(sqlite3_errstr(m_refused));
        return false;
    }
    const int result = sqlite3_step(m_statement);
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
    for (int i = 0; i < m_columns; ++i)
        m_texts[size_t(i)].clear();
    if (result == SQLITE_DONE)
        return true;
    *error = failure();
    return false;
}
