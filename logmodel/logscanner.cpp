#include "logscanner.h"

#include <QString>

namespace {

inline bool isDigit(ushort c)
{
    return c >= '0' && c <= '9';
}

inline bool isWordCharacter(ushort c)
{
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Skips blanks (U+0020 only, as the patterns' " *").
inline int skipBlanks(const QChar *line, int size, int i)
{
    while (i < size && line[i].unicode() == ' ')
        ++i;
    return i;
}

// " *: *" at i; the position after it, or -1.
inline int colonAt(const QChar *line, int size, int i)
{
    i = skipBlanks(line, size, i);
    if (i >= size || line[i].unicode() != ':')
        return -1;
    return skipBlanks(line, size, i + 1);
}

inline int wordEnd(const QChar *line, int size, int i)
{
    while (i < size && isWordCharacter(line[i].unicode()))
        ++i;
    return i;
}

bool startsWith(const QChar *line, int size, int i, const char *word, int length)
{
    if (size - i < length)
        return false;
    for (int k = 0; k < length; ++k) {
        if (line[i + k].unicode() != ushort(word[k]))
            return false;
    }
    return true;
}

// The record pattern anchored at `start`, which holds a digit.
bool recordAt(const QChar *line, int size, int start, RecordLineMatch &match)
{
    // No backtracking can help any of the steps below: a shorter digit or
    // word run would be followed by a digit or letter, which none of the
    // following parts accepts.
    int i = start;
    while (i < size && isDigit(line[i].unicode()))
        ++i;
    if (i >= size || line[i].unicode() != '.' || i + 1 >= size || !isDigit(line[i + 1].unicode()))
        return false;
    ++i;
    while (i < size && isDigit(line[i].unicode()))
        ++i;
    const int timeEnd = i;
    i = colonAt(line, size, i);
    if (i < 0)
        return false;

    static const struct
    {
        const char *word;
        int length;
        EntryType type;
    } levels[] = {{"Info", 4, Info}, {"Debug", 5, Debug}, {"Warning", 7, Warning}, {"Error", 5, Error}};
    EntryType type = Unknown;
    for (const auto &level : levels) {
        if (startsWith(line, size, i, level.word, level.length)) {
            type = level.type;
            i += level.length;
            break;
        }
    }
    if (type == Unknown)
        return false;
    i = colonAt(line, size, i);
    if (i < 0)
        return false;

    const int subsystemBegin = i;
    i = wordEnd(line, size, i);
    if (i == subsystemBegin)
        return false;
    const int subsystemEnd = i;
    i = colonAt(line, size, i);
    if (i < 0)
        return false;

    match.timeBegin = start;
    match.timeEnd = timeEnd;
    match.type = type;
    match.subsystemBegin = subsystemBegin;
    match.subsystemEnd = subsystemEnd;
    match.messageBegin = i;
    return true;
}

} // namespace

bool matchRecordLine(const QChar *line, int size, RecordLineMatch &match)
{
    // The leftmost match starts at a digit; every digit of one run leads to
    // the same outcome, so only the first digit of each run is tried.
    for (int i = 0; i < size; ++i) {
        if (!isDigit(line[i].unicode()) || (i > 0 && isDigit(line[i - 1].unicode())))
            continue;
        if (recordAt(line, size, i, match))
            return true;
    }
    return false;
}

bool matchContinuationLine(const QChar *line, int size, ContinuationLineMatch &match)
{
    // The leftmost match is made by the first word that is followed by
    // blanks and a colon; the blanks before it belong to the match.
    int i = 0;
    while (i < size) {
        if (!isWordCharacter(line[i].unicode())) {
            ++i;
            continue;
        }
        const int begin = i;
        const int end = wordEnd(line, size, i);
        const int after = colonAt(line, size, end);
        if (after >= 0) {
            match.subsystemBegin = begin;
            match.subsystemEnd = end;
            match.textBegin = after;
            return true;
        }
        i = end;
    }
    return false;
}

double recordTime(const QChar *text, int size)
{
    // Most times have few digits: then the digits as an integer, divided by
    // a power of ten, is one correctly rounded operation on exact values,
    // which gives the same double as the toolkit's correctly rounded reading.
    static const double powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (size <= 17) {
        quint64 digits = 0;
        int decimals = -1;
        for (int i = 0; i < size; ++i) {
            const ushort c = text[i].unicode();
            if (c == '.') {
                decimals = 0;
                continue;
            }
            digits = digits * 10 + (c - '0');
            if (decimals >= 0)
                ++decimals;
        }
        if (decimals >= 0 && digits < (quint64(1) << 53))
            return double(digits) / powers[decimals];
    }
    return QString::fromRawData(text, size).toDouble();
}
