// The cells a row shows only when asked for: its line number and its clock
// time.

#include "rowmatcher.h"

#include "clocktime.h"

#include <algorithm>

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

bool RowMatcher::occursInDigits(const char *text, int size) const
{
    // A plain text is looked for in the characters as they are, with no
    // string made: a search counts a million rows.
    if (!regular && plain.isUsable()) {
        const PlainTextFinder::Result result = plain.find(QLatin1String(text, size));
        if (result != PlainTextFinder::Unsure)
            return result == PlainTextFinder::Found;
    }
    return occursIn(QString::fromLatin1(text, size));
}

bool RowMatcher::matchesExtraCells(qint64 line, double time) const
{
    if (pattern.isEmpty() || !valid)
        return false;
    // Formatted only for a text that can occur in them.
    if (lineCells && digits && line > 0) {
        char text[24];
        int size = 0;
        for (qint64 rest = line; rest > 0; rest /= 10)
            text[size++] = char('0' + rest % 10);
        std::reverse(text, text + size);
        if (occursInDigits(text, size))
            return true;
    }
    if (!clockCells || !clockLike)
        return false;
    const std::optional<qint64> msecs = clocktime::clockMsecs(clockOrigin, time);
    if (!msecs)
        return false;
    char text[23];
    clocktime::formatMsecs(*msecs, text);
    return occursInDigits(text, 23);
}
