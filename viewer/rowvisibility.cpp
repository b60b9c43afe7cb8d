#include "rowvisibility.h"

#include "logfile.h"
#include "logfileentry.h"

#include <algorithm>
#include <climits>

void RowVisibility::addRows(int count)
{
    if (count <= 0)
        return;
    hidden.resize(hidden.size() + size_t(count), false);
    shown += count;
}

int RowVisibility::setKept(std::vector<char> &&verdicts)
{
    kept = std::move(verdicts);
    if (kept.size() < hidden.size())
        kept.resize(hidden.size(), 1);
    update();
    return shown;
}

void RowVisibility::setKeptFrom(int first, const std::vector<char> &verdicts)
{
    kept.resize(size_t(std::max(first, 0)), 1);
    kept.insert(kept.end(), verdicts.begin(), verdicts.end());
    if (kept.size() < hidden.size())
        kept.resize(hidden.size(), 1);
}

void RowVisibility::setContextRows(int rows)
{
    context = std::clamp(rows, 0, maxContextRows);
}

bool RowVisibility::isContextRow(int row) const
{
    return context > 0 && row >= 0 && size_t(row) < kept.size() && !kept[size_t(row)] && isShown(row);
}

void RowVisibility::update()
{
    const int count = int(hidden.size());
    if (kept.empty()) {
        hidden.assign(size_t(count), false);
        shown = count;
        return;
    }
    markContext(0, count);
    shown = int(std::count(hidden.begin(), hidden.end(), false));
}

std::vector<int> RowVisibility::updateFrom(int first)
{
    std::vector<int> changed;
    const int count = int(hidden.size());
    if (kept.empty()) {
        // Added rows show already.
        return changed;
    }
    const int from = std::max(0, first - context);
    std::vector<bool> before(hidden.begin() + from, hidden.begin() + std::min(first, count));
    for (int row = first; row < count; ++row)
        shown -= hidden[size_t(row)] ? 0 : 1;
    markContext(from, count);
    for (int row = from; row < std::min(first, count); ++row) {
        if (before[size_t(row - from)] && !hidden[size_t(row)]) {
            changed.push_back(row);
            ++shown;
        }
    }
    for (int row = first; row < count; ++row)
        shown += hidden[size_t(row)] ? 0 : 1;
    return changed;
}

std::vector<int> RowVisibility::rejudge(int row, bool keep)
{
    std::vector<int> changed;
    if (kept.empty() || row < 0 || size_t(row) >= kept.size())
        return changed;
    kept[size_t(row)] = keep ? 1 : 0;
    const int count = int(hidden.size());
    const int from = std::max(0, row - context);
    const int to = std::min(count, row + context + 1);
    const std::vector<bool> before(hidden.begin() + from, hidden.begin() + to);
    markContext(from, to);
    for (int at = from; at < to; ++at) {
        if (before[size_t(at - from)] != hidden[size_t(at)]) {
            changed.push_back(at);
            shown += hidden[size_t(at)] ? -1 : 1;
        }
    }
    return changed;
}

void RowVisibility::markContext(int from, int to)
{
    const int count = int(std::min(kept.size(), hidden.size()));
    to = std::min(to, count);
    // A row shows when a kept row lies within `context` of it: the distance
    // to the nearest kept row, from either side, in two passes.
    int sinceKept = INT_MAX / 2;
    for (int row = std::max(0, from - context); row < to; ++row) {
        sinceKept = kept[size_t(row)] ? 0 : sinceKept + 1;
        if (row >= from)
            hidden[size_t(row)] = sinceKept > context;
    }
    int untilKept = INT_MAX / 2;
    for (int row = std::min(count, to + context) - 1; row >= from; --row) {
        untilKept = kept[size_t(row)] ? 0 : untilKept + 1;
        if (row < to && untilKept <= context)
            hidden[size_t(row)] = false;
    }
}

int RowVisibility::nearestShown(int row) const
{
    const int count = int(hidden.size());
    if (row < 0 || row >= count)
        return -1;
    for (int distance = 0; row - distance >= 0 || row + distance < count; ++distance) {
        if (isShown(row - distance))
            return row - distance;
        if (isShown(row + distance))
            return row + distance;
    }
    return -1;
}

int RowVisibility::nextOfType(const LogFile &file, int from, EntryType type, bool forward) const
{
    const auto &entries = file.entries();
    const int count = std::min(entries.size(), int(hidden.size()));
    const int step = forward ? 1 : -1;
    for (int row = from < 0 ? (forward ? 0 : count - 1) : from + step; row >= 0 && row < count; row += step) {
        if (!hidden[size_t(row)] && entries.at(row)->type() == type)
            return row;
    }
    return -1;
}

int RowVisibility::firstAtOrAfter(const LogFile &file, double time) const
{
    const auto &entries = file.entries();
    const int count = std::min(entries.size(), int(hidden.size()));
    for (int row = 0; row < count; ++row) {
        if (!hidden[size_t(row)] && entries.at(row)->time() >= time)
            return row;
    }
    return -1;
}
