#pragma once

#include "actionoccurrences.h"
#include "timelinepacking.h"

#include <vector>

// What the timeline needs of a file's runs, made once on the worker thread
// that analyses it: an index that finds the runs of any stretch of time,
// and the lanes of all runs together (each run a bar in one lane, sub-action
// runs below the run they belong to, runs that overlap in time never in one
// lane, no lane empty above a lane in use, the lanes of each file of a merged
// view together). The timeline packs the runs of the stretch it shows anew;
// these lanes are those of a view of everything.
struct TimelineLanes
{
    TimelineRunIndex index;
    // Per run, its lane (0 at the top).
    std::vector<int> laneOf;
    int laneCount = 0;
    // Per lane, its runs in order of time; bars in a lane never overlap,
    // so their ends are in order as well.
    std::vector<std::vector<int>> runsInLane;

    static TimelineLanes layOut(const std::vector<ActionOccurrence> &runs);
};
