// The cells a row shows only when asked for: its line number and its clock
// time.

#include "rowmatcher.h"

#include "clocktime.h"

void RowMatcher::setClockCells(bool on, qint64 originMsecs)
{
    clockCells = on;
    clockOrigin = originMsecs;
    clockLike = regular;
    if (!regular) {
        clockLike = !pattern.isEmpty();
        for (const QChar c : pattern) {
            const ushort u = c.unicode();
            clockLike = clockLike && ((u >= '0' && u <= '9') || u == ':' || u == '-' || u == '.' || u == ' ');
        }
    }
}

bool RowMatcher::matchesExtraCells(qint64 line, double time) const
{
    if (pattern.isEmpty() || !valid)
        return false;
    // Formatted only for a text that can occur in them.
    if (lineCells && digits && line > 0 && occursIn(QString::number(line)))
        return true;
    return clockCells && clockLike && occursIn(clocktime::clockText(clockOrigin, time));
}
