#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// What a merged tab is called and what it says of its files.
namespace mergednames {

// Tab names longer than this are cut, ending in "…".
constexpr int maxTabNameLength = 40;

// The files' short names joined with "+": "planner+drive+vision".
QString tabName(const QStringList &paths);
// A shift as the user gives it: "+2.5 s", "-0.25 s".
QString shiftText(double seconds);
// The full paths, one a line, each with its shift where it has one.
QString tabToolTip(const QStringList &paths, const std::vector<double> &shifts);
// The shifts that apply, for the status line: "time shifts: drive +2.5 s,
// vision -1 s"; empty when none does.
QString shiftSummary(const QStringList &paths, const std::vector<double> &shifts);

} // namespace mergednames
