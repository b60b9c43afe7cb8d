#include "cellexport.h"

#include "clocktime.h"
#include "entrypresentation.h"
#include "logfile.h"
#include "logfileentry.h"

#include <QSaveFile>

namespace {

QString cellOf(const LogFile::ReadAccess &reading, const LogFile &file, int number, int cell,
               const CellExport::Columns &columns)
{
    const LogFileEntry &entry = reading.entry(number);
    switch (cell) {
    case CellExport::LineCell: {
        const qint64 line = reading.lineOf(number);
        return line > 0 ? QString::number(line) : QString();
    }
    case CellExport::ClockCell:
        return clocktime::clockText(columns.originMsecs, entry.time());
    case CellExport::SourceCell:
        return size_t(entry.source()) < file.sources().size() ? file.sources()[size_t(entry.source())].name
                                                              : QString();
    default:
        return EntryPresentation::cellText(entry, cell);
    }
}

} // namespace

bool CellExport::write(QIODevice &device, const LogFile &file, const std::vector<bool> &hidden, const Columns &columns,
                       QString *error)
{
    const LogFile::ReadAccess reading(file);
    QByteArray buffer = columns.labels.join(QLatin1Char('\t')).toUtf8() + '\n';
    const auto flush = [&]() {
        if (device.write(buffer) != buffer.size()) {
            if (error)
                *error = device.errorString();
            return false;
        }
        buffer.clear();
        return true;
    };
    QString line;
    for (int number = 0; number < reading.count(); ++number) {
        if (size_t(number) < hidden.size() && hidden[size_t(number)])
            continue;
        line.clear();
        for (size_t at = 0; at < columns.cells.size(); ++at) {
            if (at > 0)
                line += QLatin1Char('\t');
            line += cellOf(reading, file, number, columns.cells[at], columns);
        }
        line += QLatin1Char('\n');
        buffer += line.toUtf8();
        if (buffer.size() >= (1 << 20) && !flush())
            return false;
    }
    return flush();
}

CancelToken CellExport::start(std::shared_ptr<LogFile> file, std::vector<bool> hidden, int rows, Columns columns,
                              const QString &path, BackgroundWork &work, RecordExport::Done done)
{
    return work.run(
        [file = std::move(file), hidden = std::move(hidden), rows, columns = std::move(columns),
         path](const CancelToken &) {
            RecordExport::Result result;
            result.path = path;
            QSaveFile out(path);
            result.written = out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
                && write(out, *file, hidden, columns, &result.error) && out.commit();
            if (!result.written && result.error.isEmpty())
                result.error = out.errorString();
            result.rows = result.written ? rows : 0;
            return result;
        },
        [done = std::move(done)](const RecordExport::Result &result) { done(result); });
}
