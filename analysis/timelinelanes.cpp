#include "timelinelanes.h"

#include <algorithm>
#include <queue>
#include <set>

namespace {

// Places blocks of lanes, in the order they start, each at the lowest lanes
// that are free for its time; lanes are free again once their block ends.
// Busy lanes wait in a queue by the time they come free, so that runs left
// open to the end of the file, each holding its lane, cost nothing per run.
class LanePacker
{
public:
    int place(int height, double start, double end)
    {
        while (!busy.empty() && busy.top().first <= start) {
            free.insert(busy.top().second);
            busy.pop();
        }
        int lane = lanes;
        for (const int candidate : free) {
            bool fits = true;
            for (int k = candidate + 1; k < candidate + height && fits; ++k)
                fits = k >= lanes || free.count(k) > 0;
            if (fits) {
                lane = candidate;
                break;
            }
        }
        // Touching bars may share a lane; a bar of no length holds it a moment.
        const double until = std::max(end, start) + 1e-9;
        for (int k = lane; k < lane + height; ++k) {
            free.erase(k);
            busy.emplace(until, k);
        }
        lanes = std::max(lanes, lane + height);
        return lane;
    }

private:
    using Busy = std::pair<double, int>;
    std::priority_queue<Busy, std::vector<Busy>, std::greater<Busy>> busy;
    std::set<int> free;
    int lanes = 0;
};

} // namespace

TimelineLanes TimelineLanes::layOut(const std::vector<ActionOccurrence> &runs)
{
    const int count = int(runs.size());
    // A run's parent always comes before it, so children are laid out
    // within their parents from the last run up, and parents placed after.
    std::vector<std::vector<int>> children(static_cast<size_t>(count));
    std::vector<int> roots;
    for (int run = 0; run < count; ++run) {
        const int parent = runs[size_t(run)].parent;
        if (parent >= 0 && parent < run)
            children[size_t(parent)].push_back(run);
        else
            roots.push_back(run);
    }
    const auto byStart = [&runs](int a, int b) { return runs[size_t(a)].startTime < runs[size_t(b)].startTime; };
    std::stable_sort(roots.begin(), roots.end(), byStart);
    for (auto &list : children)
        std::stable_sort(list.begin(), list.end(), byStart);
    std::vector<int> height(static_cast<size_t>(count), 1);
    std::vector<int> offset(static_cast<size_t>(count), 0); // lane below the parent's lane
    std::vector<double> extentEnd(static_cast<size_t>(count));
    for (int run = 0; run < count; ++run)
        extentEnd[size_t(run)] = std::max(runs[size_t(run)].endTime, runs[size_t(run)].startTime);
    for (int run = count - 1; run >= 0; --run) {
        LanePacker packer;
        int below = 0;
        for (int child : children[size_t(run)]) {
            const int lane = packer.place(height[size_t(child)], runs[size_t(child)].startTime, extentEnd[size_t(child)]);
            offset[size_t(child)] = 1 + lane;
            below = std::max(below, lane + height[size_t(child)]);
            extentEnd[size_t(run)] = std::max(extentEnd[size_t(run)], extentEnd[size_t(child)]);
        }
        height[size_t(run)] = 1 + below;
    }

    TimelineLanes lanes;
    lanes.laneOf.assign(size_t(count), 0);
    LanePacker top;
    for (int root : roots)
        lanes.laneOf[size_t(root)] = top.place(height[size_t(root)], runs[size_t(root)].startTime, extentEnd[size_t(root)]);
    for (int run = 0; run < count; ++run) {
        const int parent = runs[size_t(run)].parent;
        if (parent >= 0 && parent < run)
            lanes.laneOf[size_t(run)] = lanes.laneOf[size_t(parent)] + offset[size_t(run)];
        lanes.laneCount = std::max(lanes.laneCount, lanes.laneOf[size_t(run)] + 1);
    }
    lanes.runsInLane.assign(size_t(lanes.laneCount), {});
    for (int run = 0; run < count; ++run)
        lanes.runsInLane[size_t(lanes.laneOf[size_t(run)])].push_back(run);
    for (auto &lane : lanes.runsInLane) {
        std::stable_sort(lane.begin(), lane.end(),
                         [&runs](int a, int b) { return runs[size_t(a)].startTime < runs[size_t(b)].startTime; });
    }
    return lanes;
}
