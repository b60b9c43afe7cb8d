#pragma once

#include "actionoccurrences.h"

#include <vector>

// Finds the runs whose bars overlap a stretch of time without looking at
// every run: runs are grouped by the binary order of magnitude of their
// length, and within a group sorted by start, so that a group is searched
// from (window start - its longest run) to the window end. Runs that never
// ended are kept apart, so that the timeline can leave them out cheaply.
class TimelineRunIndex final
{
public:
    TimelineRunIndex() = default;
    explicit TimelineRunIndex(const std::vector<ActionOccurrence> &runs);

    // The runs overlapping [from, to] in order of start (ties in file
    // order); never-ended runs only when `withNeverEnded`, and only runs
    // `shown` keeps when it has one flag per run.
    std::vector<int> overlapping(double from, double to, bool withNeverEnded, const std::vector<bool> &shown) const;

    int runCount() const { return int(byStart.size()); }
    // The span every run lies in; 0 to 0 without runs.
    double earliest() const { return earliestStart; }
    double latest() const { return latestEnd; }

private:
    struct Group
    {
        double longest = 0;
        std::vector<double> starts; // sorted
        std::vector<double> ends;
        std::vector<int> ranks; // positions in byStart
    };
    void collect(const std::vector<Group> &groups, double from, double to, std::vector<int> &ranks) const;

    std::vector<int> byStart; // runs in order of start, ties in file order
    std::vector<Group> ordinary;
    std::vector<Group> neverEnded;
    double earliestStart = 0;
    double latestEnd = 0;
};

// Lanes for some runs, each in the topmost lane free at its start. A run
// goes below the run it belongs to when that one is packed too, in the
// first free lane under it. A new lane is only opened below every lane in
// use, so no lane is empty while a lane below it holds a run.
struct TimelinePacking
{
    // Per run, its lane (0 at the top); -1 for runs not packed.
    std::vector<int> laneOf;
    // Per lane, its runs in order of start; they never overlap, so their
    // ends are in order as well.
    std::vector<std::vector<int>> runsInLane;
    int packedCount = 0;

    int laneCount() const { return int(runsInLane.size()); }

    // Packs `order` (runs in order of start, parents before their sub-runs).
    static TimelinePacking pack(const std::vector<ActionOccurrence> &runs, const std::vector<int> &order);
};

// A time that sorts: NaN counts as 0.
inline double timelineTime(double time)
{
    return time == time ? time : 0.0;
}
