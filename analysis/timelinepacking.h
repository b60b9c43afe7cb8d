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
// The runs of each source (the file of a merged view they come from) are
// packed on their own into a group of lanes; the groups follow each other
// in order of source, and a source without runs packed has none. A file
// read on its own has one group.
struct TimelinePacking
{
    struct Group
    {
        int source = 0;
        int firstLane = 0;
        int laneCount = 0;
    };

    // Per run, its lane (0 at the top); -1 for runs not packed.
    std::vector<int> laneOf;
    // Per lane, its runs in order of start; they never overlap, so their
    // ends are in order as well.
    std::vector<std::vector<int>> runsInLane;
    std::vector<Group> groups;
    // Per lane, the index of its group in `groups`.
    std::vector<int> groupOfLane;
    int packedCount = 0;

    int laneCount() const { return int(runsInLane.size()); }

    // Rows, for a view that shows the lanes one under another, `labelled`
    // when each group starts with a row of its own for its label: how many
    // there are, the row of a lane, the row of a group's label, and the lane
    // at a row (-1 for a label row or none; `group` gets the row's group,
    // -1 for none).
    int rowCount(bool labelled) const;
    int rowOfLane(int lane, bool labelled) const;
    int labelRow(int group) const { return groups[size_t(group)].firstLane + group; }
    int laneAtRow(int row, bool labelled, int *group = nullptr) const;

    // Packs `order` (runs in order of start, parents before their sub-runs).
    static TimelinePacking pack(const std::vector<ActionOccurrence> &runs, const std::vector<int> &order);
};

// A time that sorts: NaN counts as 0.
inline double timelineTime(double time)
{
    return time == time ? time : 0.0;
}
