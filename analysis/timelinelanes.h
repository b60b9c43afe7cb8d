#pragma once

#include "actionoccurrences.h"

#include <vector>

// The lanes of a timeline of action runs: each run is a bar in one lane,
// sub-action runs in lanes below the run they belong to, and runs that
// overlap in time never share a lane. Lanes are packed, lowest first.
struct TimelineLanes
{
    // Per run, its lane (0 at the top).
    std::vector<int> laneOf;
    int laneCount = 0;
    // Per lane, its runs in order of time; bars in a lane never overlap,
    // so their ends are in order as well.
    std::vector<std::vector<int>> runsInLane;

    static TimelineLanes layOut(const std::vector<ActionOccurrence> &runs);
};
