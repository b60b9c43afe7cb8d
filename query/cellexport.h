#pragma once

#include "backgroundwork.h"
#include "recordexport.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class LogFile;
class QIODevice;

// Writes records' rows as the cells the viewer shows, tab-separated, one row
// a line after a line of the columns' names: for a spreadsheet or a ticket,
// rather than for reading back (RecordExport does that).
class CellExport final
{
public:
    // The cells beyond EntryPresentation's columns.
    enum Extra { LineCell = -1, ClockCell = -2, SourceCell = -3 };

    struct Columns
    {
        // In the order they show: EntryPresentation columns or Extra cells.
        std::vector<int> cells;
        QStringList labels;
        // The clock time of time 0, for ClockCell.
        qint64 originMsecs = 0;
    };

    // Writes the entries `hidden` does not hide; false, with `error` set to
    // the system's reason, when a write fails.
    static bool write(QIODevice &device, const LogFile &file, const std::vector<bool> &hidden, const Columns &columns,
                      QString *error);
    // The same to `path` on a worker thread, into a file put in place only
    // once complete; `done` runs on the thread of `work`'s owner.
    static CancelToken start(std::shared_ptr<LogFile> file, std::vector<bool> hidden, int rows, Columns columns,
                             const QString &path, BackgroundWork &work, RecordExport::Done done);
};
