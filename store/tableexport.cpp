#include "runcolumns.h"
#include "runstore.h"
#include "storeschema.h"

#include <QIODevice>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>

namespace {

QString jsonString(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"': out += QStringLiteral("\\\""); break;
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

// A value as CSV writes it: numbers with every digit they have, NULL empty.
QString csvValue(const QVariant &value)
{
    if (value.isNull())
        return QString();
    if (value.type() == QVariant::Double)
        return RunColumns::exactNumber(value.toDouble());
    return value.toString();
}

// A value as JSON writes it; a number JSON cannot hold (infinite) is null.
QString jsonValue(const QVariant &value)
{
    if (value.isNull())
        return QStringLiteral("null");
    switch (value.type()) {
    case QVariant::Double: {
        const double number = value.toDouble();
        return std::isfinite(number) ? RunColumns::exactNumber(number) : QStringLiteral("null");
    }
    case QVariant::Int:
    case QVariant::LongLong:
    case QVariant::UInt:
    case QVariant::ULongLong: return value.toString();
    default: return jsonString(value.toString());
    }
}

} // namespace

bool RunStore::exportTable(const QString &table, Format format, QIODevice &device, QString *error)
{
    const QStringList columns = StoreSchema::columnsOf(table);
    if (columns.isEmpty()) {
        *error = QStringLiteral("no table '%1'; the tables are %2")
                     .arg(table, StoreSchema::tableNames().join(QStringLiteral(", ")));
        return false;
    }
    if (!isOpen()) {
        *error = QStringLiteral("the store is not open");
        return false;
    }
    QStringList quoted;
    for (const QString &column : columns)
        quoted << QLatin1Char('"') + column + QLatin1Char('"');
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    // Files by id, records in the order of their files' lines, runs as written.
    const QString order = table == QLatin1String("records") ? QStringLiteral("file_id, line")
        : table == QLatin1String("files")                   ? QStringLiteral("id")
                                                            : QStringLiteral("rowid");
    if (!query.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(quoted.join(QLatin1Char(',')), table, order))) {
        *error = query.lastError().text();
        return false;
    }
    const auto put = [&device, error](const QString &line) {
        const QByteArray bytes = line.toUtf8();
        if (device.write(bytes) == bytes.size())
            return true;
        *error = QStringLiteral("cannot write the export: ") + device.errorString();
        return false;
    };
    if (format == Format::Csv && !put(TableText::csvLine(columns)))
        return false;
    QStringList cells;
    while (query.next()) {
        cells.clear();
        QString line;
        for (int i = 0; i < columns.size(); ++i) {
            if (format == Format::Csv) {
                cells << csvValue(query.value(i));
            } else {
                line += (i ? QStringLiteral(",") : QStringLiteral("{")) + jsonString(columns[i])
                    + QLatin1Char(':') + jsonValue(query.value(i));
            }
        }
        if (!put(format == Format::Csv ? TableText::csvLine(cells) : line + QStringLiteral("}\n")))
            return false;
    }
    if (query.lastError().isValid()) {
        *error = query.lastError().text();
        return false;
    }
    return true;
}
