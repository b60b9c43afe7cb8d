#include "timelinelanes.h"

TimelineLanes TimelineLanes::layOut(const std::vector<ActionOccurrence> &runs)
{
    TimelineLanes lanes;
    lanes.index = TimelineRunIndex(runs);
    TimelinePacking all = TimelinePacking::pack(
        runs, lanes.index.overlapping(lanes.index.earliest(), lanes.index.latest(), true, {}));
    lanes.laneOf = std::move(all.laneOf);
    lanes.laneCount = all.laneCount();
    lanes.runsInLane = std::move(all.runsInLane);
    return lanes;
}
