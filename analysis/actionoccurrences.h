#pragma once

#include "logfile.h"
#include "logtypes.h"

#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <memory>
#include <vector>

class RobotAction;

// One run of a robot action: a start record paired with the completion or
// cancellation whose partner it is, a start no record ends, a start that a
// later start of the same action id replaced before any end (Restarted), or
// an end record no start precedes.
struct ActionOccurrence
{
    enum Outcome { Completed, Cancelled, NeverEnded, NoStart, Restarted };

    int id = 0;
    // The file of a merged view the run comes from; 0 otherwise.
    int source = 0;
    const RobotAction *action = nullptr;
    int startRow = -1; // entry numbers; -1 when there is none
    // The end record; for a Restarted run, the start record that restarted it.
    int endRow = -1;
    double startTime = 0;
    double endTime = 0; // the end of the file for an action that never ended
    Outcome outcome = Completed;
    QString subsystem;
    // The record that explains a cancellation, a restart or an action left
    // running: the last error strictly between start and end (or up to the
    // end of the file), else the last warning, those of the action's
    // subsystem first. The start and end records of the run itself and of
    // the runs nested below it never count. -1 when there is none.
    int causeRow = -1;
    // The occurrence this one runs inside as a sub-action; -1 for none.
    int parent = -1;

    bool hasDuration() const { return outcome == Completed || outcome == Cancelled; }
    // Cancelled, Never ended, No start or Restarted.
    bool failed() const { return outcome != Completed; }
    double duration() const { return endTime - startTime; }
    static QString outcomeText(Outcome outcome);
    // The activity whose colour a run of this outcome is drawn in: its
    // end's, or its start's when it never ended.
    static ActionActivity colourActivity(Outcome outcome);
};

// Durations of one action name, over its completed and cancelled runs.
struct ActionStatistics
{
    QString name;
    int count = 0;
    int completed = 0;
    int cancelled = 0;
    int neverEnded = 0; // never ended, not counting restarted runs
    int restarted = 0;
    int noStart = 0;
    int timed = 0; // runs with a duration
    double minimum = 0;
    double median = 0;
    double p95 = 0;
    double maximum = 0;
};

// What the analysis panels show of one file: its action runs in file order
// of their first record, statistics per action name, and the records per
// time bucket. Computed from the file's entries alone, on any thread.
class ActionAnalysis final
{
public:
    // The analysis of the first `entryCount` entries of `file`; nothing when
    // `cancelled` is set before it is done.
    static std::shared_ptr<const ActionAnalysis> compute(const LogFile::ReadAccess &file, int entryCount,
                                                         const std::atomic<bool> *cancelled = nullptr);
    // The same for a file nobody appends to meanwhile.
    static std::shared_ptr<const ActionAnalysis> compute(const LogFile &file, int entryCount,
                                                         const std::atomic<bool> *cancelled = nullptr);

    // The statistics of some of the runs (indices into `occurrences`), per
    // action name in order of first appearance in the file; indices out of
    // range are passed over.
    std::vector<ActionStatistics> statisticsOf(const std::vector<int> &runs) const;

    // The runs a failure is traced through: from `run` down its failed
    // sub-runs to the deepest failed one, whose own cause is the root cause.
    // Just {run} when no sub-run of it failed.
    std::vector<int> failedPath(int run) const;
    // The record the Cause column shows for `run`: the cause of the last run
    // of its failed path, else of the deepest run on it that has one; -1 for
    // none.
    int shownCauseRow(int run) const;
    // The failed path and its cause as one line of text:
    // `PickPlace → Grip (Cancelled) → "gripper pressure low" at 812.4`, the
    // outcome of every run after the first in parentheses, the cause's time
    // as the tree shows it. Just the names when there is no cause.
    QString causeChain(int run, const LogFile::ReadAccess &file) const;

    std::vector<ActionOccurrence> occurrences;
    std::vector<ActionStatistics> statistics;
    // Per run, its sub-runs in order of their start.
    std::vector<std::vector<int>> subRuns;
    // Per entry, the occurrence its record starts or ends; -1 for others.
    std::vector<int> occurrenceOfRow;
    // Per run, the index of its name's row in `statistics`.
    std::vector<int> nameOfRun;
    // Per run, the failed sub-run its failed path goes on with (-1 where it
    // stops), and the record shownCauseRow() gives.
    std::vector<int> failedSubRun;
    std::vector<int> shownCause;
    double firstTime = 0;
    double lastTime = 0;
    // The short names of the files of a merged view, by source; empty for a
    // file read on its own.
    std::vector<QString> sourceNames;
    // The times of the records of each level (Debug, Info, Warning, Error),
    // sorted, for counting the records of any stretch of time.
    std::vector<double> levelTimes[4];
};
