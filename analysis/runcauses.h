#pragma once

#include <QHash>
#include <QString>

#include <atomic>
#include <vector>

class ActionAnalysis;
class LogFileEntry;

// The errors and warnings of a file, gathered entry by entry in file order
// while the runs are paired, and what they explain once all runs are known:
// the cause of every run that was cancelled, restarted or left running, and
// the failed sub-run each failed run's cause is traced through.
class ProblemRecords final
{
public:
    ProblemRecords() = default;
    Q_DISABLE_COPY_MOVE(ProblemRecords)

    // Adds the next entry; `row` is its entry number.
    void add(int row, const LogFileEntry &entry);

    // Sets the causeRow of the runs of `analysis`, then its failedSubRun and
    // shownCause; needs its occurrences, occurrenceOfRow and subRuns.
    // `entryCount` entries were added. False when `cancelled` was set.
    bool explain(ActionAnalysis &analysis, int entryCount, const std::atomic<bool> *cancelled) const;

private:
    enum Level { ErrorLevel, WarningLevel, LevelCount };

    QHash<QString, int> subsystemIds;
    // Per level, the rows of its records in file order, and the id of each
    // one's subsystem.
    std::vector<int> rows[LevelCount];
    std::vector<int> subsystems[LevelCount];
};
