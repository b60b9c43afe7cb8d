#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <vector>

namespace cli {

// Standard output, written in chunks of bounded size. A reader that went
// away (a closed pipe) ends the writing quietly: every later write is
// dropped and closed() says so; any other failure is kept in error().
class OutputStream final
{
public:
    static constexpr int chunkSize = 64 * 1024;

    explicit OutputStream(std::FILE *file);
    ~OutputStream();
    Q_DISABLE_COPY_MOVE(OutputStream)

    // False once the output cannot take more.
    bool write(const QByteArray &bytes);
    bool write(const QString &text) { return write(text.toUtf8()); }
    bool flush();

    bool ok() const { return !pipeClosed && failure.isEmpty(); }
    bool closed() const { return pipeClosed; }
    const QString &error() const { return failure; }

private:
    bool writeOut(const char *data, size_t size);

    std::FILE *file;
    QByteArray buffer;
    bool pipeClosed = false;
    QString failure;
};

enum class Format { Tsv, Csv, Jsonl };

// One column of a table: its header, its key in JSON lines, and whether it
// holds numbers (an empty cell of such a column is null in JSON).
struct Column
{
    QString header;
    QString key;
    bool numeric = false;
};

// Writes rows of cells in one of the formats: tab-separated or RFC 4180
// lines under a header line, or one compact JSON object a line whose keys
// follow the columns' order.
class TableWriter final
{
public:
    TableWriter(OutputStream &out, Format format, std::vector<Column> columns);
    Q_DISABLE_COPY_MOVE(TableWriter)

    // The header line; nothing in JSON lines.
    bool writeHeader();
    // `cells` follow the columns; missing cells are empty.
    bool writeRow(const QStringList &cells);
    const std::vector<Column> &columns() const { return shape; }

    // A text as a JSON string, quotes included.
    static void appendJsonString(QString &out, const QString &text);

private:
    QString jsonLine(const QStringList &cells) const;

    OutputStream &out;
    Format format;
    std::vector<Column> shape;
};

} // namespace cli
