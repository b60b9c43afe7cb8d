#pragma once

#include "runcomparison.h"

#include <QString>
#include <QStringList>

// The columns of the comparison's three tables and what their cells say:
// the window's tables show these texts, and the command line writes them.
namespace ComparisonColumns {

enum Table { ByName, Sequence, NewErrors, TableCount };

enum ByNameColumn { Name, CountA, CountB, CompletedA, CompletedB, CancelledA, CancelledB, NeverEndedA, NeverEndedB,
                    MedianA, MedianB, P95A, P95B, DeltaMedian, Ratio, ByNameColumnCount };
enum SequenceColumn { Action, StartA, StartB, OutcomeA, OutcomeB, DurationA, DurationB, SequenceColumnCount };
enum NewErrorColumn { Template, Count, FirstTime, Subsystem, NewErrorColumnCount };

QStringList headers(Table table);
int rowCount(const RunComparison &comparison, Table table);
// Whether the column holds numbers (or nothing).
bool isNumeric(Table table, int column);
// A cell of a row. `fullPrecision` writes times, durations and ratios with
// every digit they have instead of as the table shows them.
QString text(const RunComparison &comparison, Table table, int row, int column, bool fullPrecision = false);

} // namespace ComparisonColumns
