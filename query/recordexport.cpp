#include "recordexport.h"

#include "entrypresentation.h"
#include "exportedactions.h"
#include "logfile.h"
#include "originallines.h"

#include <QSaveFile>

#include <algorithm>
#include <memory>

namespace {

// Writes all of `data`. A write the system refuses in part (a full disk, a
// file size limit, a quota) writes what fits; the write of the rest then
// fails with the system's reason, which goes to `error`.
bool writeAll(QIODevice &device, const QByteArray &data, QString *error)
{
    for (qint64 done = 0; done < data.size();) {
        const qint64 written = device.write(data.constData() + done, data.size() - done);
        if (written <= 0) {
            if (error)
                *error = device.errorString();
            return false;
        }
        done += written;
    }
    return true;
}

} // namespace

bool RecordExport::write(QIODevice &device, const LogFile &file, const std::vector<bool> &hidden, QString *error)
{
    const auto &entries = file.entries();
    // Each record is written so that reading the export links it to the
    // action it has here, whichever records are left out. With none left
    // out, every record's own text does, as it did when the file was read.
    std::unique_ptr<ExportedActions> actions;
    const bool someHidden = std::find(hidden.begin(), hidden.end(), true) != hidden.end();
    if (someHidden || file.isMerged()) {
        actions = std::make_unique<ExportedActions>(file);
        // Merged files that share no action number write their own texts.
        if (!someHidden && !actions->renumbers())
            actions.reset();
    }
    QByteArray chunk;
    for (int row = 0; row < entries.size(); ++row) {
        if (size_t(row) < hidden.size() && hidden[size_t(row)])
            continue;
        const LogFileEntry &entry = *entries.at(row);
        chunk += EntryPresentation::recordLine(entry, actions ? actions->message(entry) : entry.message());
        if (chunk.size() >= (1 << 20)) {
            if (!writeAll(device, chunk, error))
                return false;
            chunk.clear();
        }
    }
    return writeAll(device, chunk, error);
}

bool RecordExport::writeOriginal(QIODevice &device, const LogFile &file, const std::vector<bool> &hidden,
                                 QString *error, const std::atomic<bool> *cancelled)
{
    OriginalLines::Request request;
    {
        // The places only: the files are read without holding this one.
        const LogFile::ReadAccess reading(file);
        std::vector<int> shown;
        shown.reserve(size_t(reading.count()));
        for (int row = 0; row < reading.count(); ++row) {
            if (size_t(row) >= hidden.size() || !hidden[size_t(row)])
                shown.push_back(row);
        }
        request = OriginalLines::request(file, std::move(shown));
    }
    QByteArray chunk;
    const QString message = OriginalLines::read(
        request,
        [&device, &chunk](const QByteArray &bytes, QString *refused) {
            chunk += bytes;
            if (chunk.size() < (1 << 20))
                return true;
            const bool written = writeAll(device, chunk, refused);
            chunk.clear();
            return written;
        },
        cancelled, true);
    if (message.isEmpty())
        return writeAll(device, chunk, error);
    if (error)
        *error = message;
    return false;
}

CancelToken RecordExport::start(std::shared_ptr<LogFile> file, std::vector<bool> hidden, int rows, const QString &path,
                                BackgroundWork &work, Done done, Form form)
{
    hidden.resize(size_t(file->entries().size()), false);
    return work.run(
        [file = std::move(file), hidden = std::move(hidden), rows, path, form](const CancelToken &token) {
            Result result;
            result.path = path;
            QSaveFile out(path);
            // Unbuffered, so that a refused write says why at once rather
            // than when the buffer is flushed, where the reason is lost.
            const bool opened = out.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
            if (form == Form::Original) {
                result.written = opened && writeOriginal(out, *file, hidden, &result.error, token.flag())
                    && out.commit();
            } else {
                const LogFile::ReadAccess reading(*file);
                result.written = opened && write(out, *file, hidden, &result.error) && out.commit();
            }
            if (!result.written && result.error.isEmpty())
                result.error = out.errorString();
            result.rows = result.written ? rows : 0;
            return result;
        },
        [done = std::move(done)](const Result &result) { done(result); });
}
