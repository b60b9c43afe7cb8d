#pragma once

#include <QDateTime>

#include <vector>

// The columns a viewer adds on request: Line, the line of its file a
// record starts on, shown first; and Clock, its wall-clock time from the
// tab's time origin, shown after Time. Each is made when first needed, with
// the next free logical number, and hidden when not wanted, so that the
// other columns keep their numbers.
struct ViewerColumns
{
    bool lineNumbers = false;
    // The user hid the Line column by name (the header's own choice).
    bool lineHiddenByUser = false;
    int lineColumn = -1;
    int clockColumn = -1;
    // The clock time of time 0, in UTC, invalid when unset; and the same in
    // milliseconds since 1970.
    QDateTime origin;
    qint64 originMsecs = 0;
    // The lines of the records handed over while the file is read, by entry
    // (the file is the loader's until then).
    std::vector<quint32> readLines;
};
