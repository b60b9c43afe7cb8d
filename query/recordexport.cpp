#include "recordexport.h"

#include "entrypresentation.h"
#include "logfile.h"

#include <QSaveFile>

bool RecordExport::write(QIODevice &device, const LogFile &file, const std::vector<bool> &hidden, QString *error)
{
    const auto &entries = file.entries();
    QByteArray chunk;
    for (int row = 0; row < entries.size(); ++row) {
        if (size_t(row) < hidden.size() && hidden[size_t(row)])
            continue;
        chunk += EntryPresentation::recordLine(*entries.at(row));
        if (chunk.size() >= (1 << 20)) {
            if (device.write(chunk) != chunk.size()) {
                if (error)
                    *error = device.errorString();
                return false;
            }
            chunk.clear();
        }
    }
    bool written = true;
    if (!chunk.isEmpty())
        written = device.write(chunk) == chunk.size();
    if (!written && error)
        *error = device.errorString();
    return written;
}

CancelToken RecordExport::start(std::shared_ptr<LogFile> file, std::vector<bool> hidden, int rows, const QString &path,
                                BackgroundWork &work, Done done)
{
    hidden.resize(size_t(file->entries().size()), false);
    return work.run(
        [file = std::move(file), hidden = std::move(hidden), rows, path](const CancelToken &) {
            Result result;
            result.path = path;
            const LogFile::ReadAccess reading(*file);
            QSaveFile out(path);
            result.written = out.open(QIODevice::WriteOnly) && write(out, *file, hidden, &result.error) && out.commit();
            if (!result.written && result.error.isEmpty())
                result.error = out.errorString();
            result.rows = result.written ? rows : 0;
            return result;
        },
        [done = std::move(done)](const Result &result) { done(result); });
}
