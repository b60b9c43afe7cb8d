#pragma once

#include "logtypes.h"

#include <QChar>

// Recognises the two line patterns of a log, giving exactly what the regular
// expressions
//   record:       ([0-9]+\.[0-9]+) *: *(Info|Debug|Warning|Error) *: *([a-zA-Z0-9]+) *: *(.*)
//   continuation:  *([a-zA-Z0-9]+) *: *(.*)
// give when searched (not anchored) in a line without line end, but in one
// pass over the line and without building strings.
//
// Positions are offsets into the line; each group runs from its begin to, not
// including, its end, and the last group runs to the end of the line.

struct RecordLineMatch
{
    int timeBegin = 0;
    int timeEnd = 0;
    EntryType type = Unknown;
    int subsystemBegin = 0;
    int subsystemEnd = 0;
    int messageBegin = 0;
};

struct ContinuationLineMatch
{
    int subsystemBegin = 0;
    int subsystemEnd = 0;
    int textBegin = 0;
};

bool matchRecordLine(const QChar *line, int size, RecordLineMatch &match);
bool matchContinuationLine(const QChar *line, int size, ContinuationLineMatch &match);

// The time of a record, as QString::toDouble reads the time group's text.
double recordTime(const QChar *text, int size);
