#pragma once

#include "actionoccurrences.h"

#include <QString>
#include <QStringList>

#include <vector>

struct RunTexts;

// The columns of the actions table and of the statistics, and what their
// cells say: the panels show these texts, and copying and exporting write
// them.
namespace RunColumns {

// Source, the file of a merged view a run comes from, exists in merged
// views only; it shows after Id.
enum Column { Id, Name, Arguments, Subsystem, Start, End, Duration, Outcome, SubActions, Cause, Source, Count };
enum StatisticsColumn { StatName, StatCount, StatCompleted, StatCancelled, StatNeverEnded, StatMinimum, StatMedian,
                        StatP95, StatMaximum, StatColumnCount };

QStringList headers();
// The columns a table of `texts`' runs shows, in the order shown.
std::vector<int> shownColumns(const RunTexts &texts);
QStringList statisticsHeaders();

// A cell of a run. `fullPrecision` writes times and durations with every
// digit they have (for exports) instead of as the table shows them.
QString cellText(const ActionAnalysis &analysis, const RunTexts &texts, int run, int column,
                 bool fullPrecision = false);
QString statisticsCellText(const ActionStatistics &statistics, int column, bool fullPrecision = false);

QString secondsText(double seconds);
// The shortest text that reads back as the same double, without an
// exponent: what exports write and what filters read.
QString exactNumber(double value);

} // namespace RunColumns

// Lines of text tables.
namespace TableText {

// One line of tab-separated cells; tabs and line breaks inside a cell
// become spaces, as a spreadsheet pasting it would split on them.
QString tsvLine(const QStringList &cells);
// One line of comma-separated cells (RFC 4180): a cell with a comma, a
// quote or a line break is quoted, its quotes doubled. Ends with CR LF.
QString csvLine(const QStringList &cells);

} // namespace TableText
