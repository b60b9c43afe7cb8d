#pragma once

#include "backgroundwork.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class LogFile;
class QIODevice;

// Writes records as lines of the log's own format (EntryPresentation's
// record lines), which read back as the same records with the same action
// links: an action record whose action a reader would not know from the
// records written before it carries the action's description
// (ExportedActions).
class RecordExport final
{
public:
    struct Result
    {
        bool written = false;
        int rows = 0;
        QString path;
        QString error;
    };
    using Done = std::function<void(const Result &result)>;

    // What a record is written as: a record line rebuilt from the record,
    // or its original lines, the bytes its file holds (OriginalLines).
    enum class Form { Rebuilt, Original };

    // Writes the entries that `hidden` does not hide to `device`; false,
    // with `error` set to the system's reason, when a write fails. The
    // caller may read the file.
    static bool write(QIODevice &device, const LogFile &file, const std::vector<bool> &hidden, QString *error);

    // Writes the original lines of those entries to `device`, in entry
    // order, reading them from the files (a byte order mark first where
    // the first record's file has one); false with `error` set when a file
    // changed since it was read or a write fails.
    static bool writeOriginal(QIODevice &device, const LogFile &file, const std::vector<bool> &hidden,
                              QString *error, const std::atomic<bool> *cancelled = nullptr);

    // Writes them to `path` on a worker thread, into a file put in place
    // only once it is complete; `rows` is how many are written. `done` runs
    // on the thread of `work`'s owner.
    static CancelToken start(std::shared_ptr<LogFile> file, std::vector<bool> hidden, int rows, const QString &path,
                             BackgroundWork &work, Done done, Form form = Form::Rebuilt);
};
