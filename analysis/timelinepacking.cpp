#include "timelinepacking.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

// The time a bar holds its lane until: its end, or for a bar of no length,
// the next time there is, so that two such bars at one time never share.
double busyUntil(const ActionOccurrence &run)
{
    const double start = timelineTime(run.startTime);
    const double end = timelineTime(run.endTime);
    return end > start ? end : std::nextafter(start, infinity);
}

// The lanes in use and the time each is free again, as a tree of minimums:
// the first lane at or after a given one that is free at a time is found
// in logarithmic time, however many lanes there are.
class FreeLanes final
{
public:
    // The first lane from `first` on that is free at `time`; lanes never
    // used are always free.
    int firstFree(int first, double time)
    {
        if (first + 1 >= leaves)
            grow(first + 2);
        const int lane = find(1, 0, leaves, first, time);
        if (lane + 1 >= leaves)
            grow(lane + 2);
        return lane;
    }

    void take(int lane, double until)
    {
        int node = lane + leaves;
        tree[size_t(node)] = until;
        for (node /= 2; node > 0; node /= 2)
            tree[size_t(node)] = std::min(tree[size_t(2 * node)], tree[size_t(2 * node + 1)]);
    }

private:
    int find(int node, int low, int high, int first, double time) const
    {
        if (high <= first || tree[size_t(node)] > time)
            return -1;
        if (high - low == 1)
            return low;
        const int middle = (low + high) / 2;
        const int left = find(2 * node, low, middle, first, time);
        return left >= 0 ? left : find(2 * node + 1, middle, high, first, time);
    }

    void grow(int needed)
    {
        int size = std::max(64, leaves);
        while (size < needed)
            size *= 2;
        std::vector<double> grown(size_t(2 * size), -infinity);
        std::copy(tree.begin() + leaves, tree.end(), grown.begin() + size);
        leaves = size;
        tree = std::move(grown);
        for (int node = leaves - 1; node > 0; --node)
            tree[size_t(node)] = std::min(tree[size_t(2 * node)], tree[size_t(2 * node + 1)]);
    }

    std::vector<double> tree;
    int leaves = 0;
};

} // namespace

TimelineRunIndex::TimelineRunIndex(const std::vector<ActionOccurrence> &runs)
{
    const int count = int(runs.size());
    byStart.resize(size_t(count));
    for (int run = 0; run < count; ++run)
        byStart[size_t(run)] = run;
    std::stable_sort(byStart.begin(), byStart.end(), [&runs](int a, int b) {
        return timelineTime(runs[size_t(a)].startTime) < timelineTime(runs[size_t(b)].startTime);
    });
    // Grouped by the exponent of their length: a group's runs are at most
    // twice as long as its shortest, so few of those searched miss.
    std::map<int, Group> groups[2];
    bool first = true;
    for (int rank = 0; rank < count; ++rank) {
        const ActionOccurrence &run = runs[size_t(byStart[size_t(rank)])];
        const double start = timelineTime(run.startTime);
        const double end = std::max(start, timelineTime(run.endTime));
        const double length = end - start;
        const int exponent = length > 0 && std::isfinite(length) ? std::ilogb(length) : (length > 0 ? 100000 : -100000);
        Group &group = groups[run.outcome == ActionOccurrence::NeverEnded][exponent];
        group.longest = std::max(group.longest, length);
        group.starts.push_back(start);
        group.ends.push_back(end);
        group.ranks.push_back(rank);
        earliestStart = first ? start : std::min(earliestStart, start);
        latestEnd = first ? end : std::max(latestEnd, end);
        first = false;
    }
    for (auto &[exponent, group] : groups[0])
        ordinary.push_back(std::move(group));
    for (auto &[exponent, group] : groups[1])
        neverEnded.push_back(std::move(group));
}

void TimelineRunIndex::collect(const std::vector<Group> &groups, double from, double to, std::vector<int> &ranks) const
{
    for (const Group &group : groups) {
        // A run that starts earlier than this ends before `from`.
        const double earliest = from - group.longest;
        const auto begin = std::lower_bound(group.starts.begin(), group.starts.end(), earliest);
        const auto end = std::upper_bound(begin, group.starts.end(), to);
        for (auto it = begin; it != end; ++it) {
            const size_t i = size_t(it - group.starts.begin());
            if (group.ends[i] >= from)
                ranks.push_back(group.ranks[i]);
        }
    }
}

std::vector<int> TimelineRunIndex::overlapping(double from, double to, bool withNeverEnded,
                                               const std::vector<bool> &shown) const
{
    std::vector<int> ranks;
    if (!(from <= to))
        return ranks;
    collect(ordinary, from, to, ranks);
    if (withNeverEnded)
        collect(neverEnded, from, to, ranks);
    // Back in order of start: sorted when few, else marked and swept.
    const size_t count = byStart.size();
    if (ranks.size() < count / 16) {
        std::sort(ranks.begin(), ranks.end());
    } else {
        std::vector<bool> marked(count);
        for (const int rank : ranks)
            marked[size_t(rank)] = true;
        ranks.clear();
        for (size_t rank = 0; rank < count; ++rank) {
            if (marked[rank])
                ranks.push_back(int(rank));
        }
    }
    const bool filtered = shown.size() == count;
    std::vector<int> runs;
    runs.reserve(ranks.size());
    for (const int rank : ranks) {
        const int run = byStart[size_t(rank)];
        if (!filtered || shown[size_t(run)])
            runs.push_back(run);
    }
    return runs;
}

int TimelinePacking::rowCount(bool labelled) const
{
    return laneCount() + (labelled ? int(groups.size()) : 0);
}

int TimelinePacking::rowOfLane(int lane, bool labelled) const
{
    if (lane < 0 || lane >= laneCount())
        return -1;
    return labelled ? lane + groupOfLane[size_t(lane)] + 1 : lane;
}

int TimelinePacking::laneAtRow(int row, bool labelled, int *group) const
{
    int lane = -1;
    int in = -1;
    if (row >= 0 && row < rowCount(labelled)) {
        if (!labelled) {
            lane = row;
            in = groupOfLane[size_t(row)];
        } else {
            // The last group whose label is at or above the row.
            int low = 0;
            int high = int(groups.size());
            while (high - low > 1) {
                const int middle = (low + high) / 2;
                (labelRow(middle) <= row ? low : high) = middle;
            }
            in = low;
            lane = row == labelRow(in) ? -1 : row - in - 1;
        }
    }
    if (group)
        *group = in;
    return lane;
}

TimelinePacking TimelinePacking::pack(const std::vector<ActionOccurrence> &runs, const std::vector<int> &order)
{
    TimelinePacking packing;
    packing.laneOf.assign(runs.size(), -1);
    packing.packedCount = int(order.size());
    // Per source, its free lanes and the runs of each of its lanes; lanes
    // are counted within the source until the groups are put together.
    std::vector<FreeLanes> free;
    std::vector<std::vector<std::vector<int>>> inLane;
    for (const int run : order) {
        const ActionOccurrence &occurrence = runs[size_t(run)];
        const int source = std::clamp(occurrence.source, 0, LogFile::maxSources - 1);
        if (size_t(source) >= free.size()) {
            free.resize(size_t(source) + 1);
            inLane.resize(size_t(source) + 1);
        }
        const int parent = occurrence.parent;
        const bool below = parent >= 0 && size_t(parent) < runs.size()
            && runs[size_t(parent)].source == occurrence.source;
        const int parentLane = below ? packing.laneOf[size_t(parent)] : -1;
        FreeLanes &lanes = free[size_t(source)];
        const int lane = lanes.firstFree(parentLane + 1, timelineTime(occurrence.startTime));
        lanes.take(lane, busyUntil(occurrence));
        packing.laneOf[size_t(run)] = lane;
        auto &own = inLane[size_t(source)];
        if (size_t(lane) >= own.size())
            own.resize(size_t(lane) + 1);
        own[size_t(lane)].push_back(run);
    }
    for (size_t source = 0; source < inLane.size(); ++source) {
        auto &own = inLane[source];
        if (own.empty())
            continue;
        const int group = int(packing.groups.size());
        const int first = packing.laneCount();
        packing.groups.push_back({int(source), first, int(own.size())});
        for (auto &lane : own) {
            for (const int run : lane)
                packing.laneOf[size_t(run)] += first;
            packing.runsInLane.push_back(std::move(lane));
            packing.groupOfLane.push_back(group);
        }
    }
    return packing;
}
