#include "clioutput.h"

#include "runcolumns.h"

#include <cerrno>
#include <cmath>
#include <cstring>

namespace cli {

OutputStream::OutputStream(std::FILE *file)
    : file(file)
{
    buffer.reserve(chunkSize);
}

OutputStream::~OutputStream()
{
    flush();
}

bool OutputStream::writeOut(const char *data, size_t size)
{
    if (!ok())
        return false;
    errno = 0;
    const size_t written = size ? std::fwrite(data, 1, size, file) : 0;
    if (written == size && std::fflush(file) == 0)
        return true;
    if (errno == EPIPE)
        pipeClosed = true;
    else
        failure = QString::fromLocal8Bit(std::strerror(errno ? errno : EIO));
    return false;
}

bool OutputStream::write(const QByteArray &bytes)
{
    if (!ok())
        return false;
    if (buffer.size() + bytes.size() < chunkSize) {
        buffer.append(bytes);
        return true;
    }
    if (!flush())
        return false;
    if (bytes.size() >= chunkSize)
        return writeOut(bytes.constData(), size_t(bytes.size()));
    buffer.append(bytes);
    return true;
}

bool OutputStream::flush()
{
    if (buffer.isEmpty())
        return ok();
    const bool written = writeOut(buffer.constData(), size_t(buffer.size()));
    buffer.clear();
    return written;
}

TableWriter::TableWriter(OutputStream &out, Format format, std::vector<Column> columns)
    : out(out)
    , format(format)
    , shape(std::move(columns))
{
}

bool TableWriter::writeHeader()
{
    QStringList headers;
    for (const Column &column : shape)
        headers.push_back(column.header);
    switch (format) {
    case Format::Tsv: return out.write(TableText::tsvLine(headers) + QLatin1Char('\n'));
    case Format::Csv: return out.write(TableText::csvLine(headers));
    default: return out.ok();
    }
}

bool TableWriter::writeRow(const QStringList &cells)
{
    switch (format) {
    case Format::Tsv: return out.write(TableText::tsvLine(cells) + QLatin1Char('\n'));
    case Format::Csv: return out.write(TableText::csvLine(cells));
    default: return out.write(jsonLine(cells));
    }
}

void TableWriter::appendJsonString(QString &out, const QString &text)
{
    out += QLatin1Char('"');
    for (const QChar c : text) {
        const ushort code = c.unicode();
        switch (code) {
        case '"': out += QLatin1String("\\\""); break;
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        default:
            if (code < 0x20)
                out += QStringLiteral("\\u%1").arg(code, 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
}

QString TableWriter::jsonLine(const QStringList &cells) const
{
    QString line;
    line += QLatin1Char('{');
    for (size_t i = 0; i < shape.size(); ++i) {
        if (i > 0)
            line += QLatin1Char(',');
        appendJsonString(line, shape[i].key);
        line += QLatin1Char(':');
        const QString cell = int(i) < cells.size() ? cells[int(i)] : QString();
        if (!shape[i].numeric) {
            appendJsonString(line, cell);
            continue;
        }
        bool number = false;
        const double value = cell.toDouble(&number);
        // Numbers as they read back, with every digit; JSON has no
        // infinities, so those stay text.
        if (cell.isEmpty())
            line += QLatin1String("null");
        else if (number && std::isfinite(value))
            line += RunColumns::exactNumber(value);
        else
            appendJsonString(line, cell);
    }
    line += QLatin1String("}\n");
    return line;
}

} // namespace cli
