#include "runcauses.h"

#include "actionoccurrences.h"
#include "entrypresentation.h"
#include "logfileentry.h"
#include "robotaction.h"

#include <QStringList>

#include <algorithm>
#include <climits>

namespace {

// Rows in increasing order, each with a key: the nesting number of the run
// whose start or end record it is, -1 for any other record. Answers which
// is the last row of a stretch whose key lies outside a range of nesting
// numbers, in logarithmic time, however many rows inside the range there
// are.
class KeyedRows final
{
public:
    void assign(std::vector<int> &&rowList, std::vector<int> &&keyList)
    {
        rows = std::move(rowList);
        keys = std::move(keyList);
        leaves = 1;
        while (leaves < int(rows.size()))
            leaves *= 2;
        lowest.assign(size_t(2 * leaves), INT_MAX);
        highest.assign(size_t(2 * leaves), INT_MIN);
        for (size_t i = 0; i < keys.size(); ++i)
            lowest[size_t(leaves) + i] = highest[size_t(leaves) + i] = keys[i];
        for (int node = leaves - 1; node >= 1; --node) {
            lowest[size_t(node)] = std::min(lowest[size_t(2 * node)], lowest[size_t(2 * node + 1)]);
            highest[size_t(node)] = std::max(highest[size_t(2 * node)], highest[size_t(2 * node + 1)]);
        }
    }

    // The row of the last index from `begin` up to before `end` whose row
    // lies after `after`, at or before `upTo`, and whose key lies outside
    // [from, to]; -1 for none.
    int lastOutside(int begin, int end, int after, int upTo, int from, int to) const
    {
        const auto first = rows.begin() + begin;
        const auto last = rows.begin() + end;
        const int lo = int(std::upper_bound(first, last, after) - rows.begin());
        const int hi = int(std::upper_bound(first, last, upTo) - rows.begin()) - 1;
        if (lo > hi)
            return -1;
        const int found = std::max(lastBelow(1, 0, leaves - 1, lo, hi, from), lastAbove(1, 0, leaves - 1, lo, hi, to));
        return found >= 0 ? rows[size_t(found)] : -1;
    }

    int size() const { return int(rows.size()); }

private:
    int lastBelow(int node, int nodeFrom, int nodeTo, int lo, int hi, int bound) const
    {
        if (nodeTo < lo || nodeFrom > hi || lowest[size_t(node)] >= bound)
            return -1;
        if (nodeFrom == nodeTo)
            return nodeFrom;
        const int middle = (nodeFrom + nodeTo) / 2;
        const int right = lastBelow(2 * node + 1, middle + 1, nodeTo, lo, hi, bound);
        return right >= 0 ? right : lastBelow(2 * node, nodeFrom, middle, lo, hi, bound);
    }

    int lastAbove(int node, int nodeFrom, int nodeTo, int lo, int hi, int bound) const
    {
        if (nodeTo < lo || nodeFrom > hi || highest[size_t(node)] <= bound)
            return -1;
        if (nodeFrom == nodeTo)
            return nodeFrom;
        const int middle = (nodeFrom + nodeTo) / 2;
        const int right = lastAbove(2 * node + 1, middle + 1, nodeTo, lo, hi, bound);
        return right >= 0 ? right : lastAbove(2 * node, nodeFrom, middle, lo, hi, bound);
    }

    std::vector<int> rows;
    std::vector<int> keys;
    int leaves = 1;
    // Per node of a complete binary tree over the keys, its least and
    // greatest key.
    std::vector<int> lowest;
    std::vector<int> highest;
};

// Numbers the runs so that each run and the runs nested below it hold
// consecutive numbers: `first` is a run's own, `last` the highest below it.
struct Nesting
{
    std::vector<int> first;
    std::vector<int> last;

    explicit Nesting(const ActionAnalysis &analysis)
    {
        const auto &runs = analysis.occurrences;
        const size_t count = runs.size();
        // A run's parent started before it, so comes before it.
        std::vector<int> size(count, 1);
        for (size_t run = count; run-- > 0;) {
            if (runs[run].parent >= 0)
                size[size_t(runs[run].parent)] += size[run];
        }
        first.assign(count, 0);
        int next = 0;
        for (size_t run = 0; run < count; ++run) {
            if (runs[run].parent < 0) {
                first[run] = next;
                next += size[run];
            }
        }
        last.assign(count, 0);
        for (size_t run = 0; run < count; ++run) {
            int below = first[run] + 1;
            for (const int sub : analysis.subRuns[run]) {
                first[size_t(sub)] = below;
                below += size[size_t(sub)];
            }
            last[run] = first[run] + size[run] - 1;
        }
    }
};

// The problem records of one level, all together and grouped by subsystem.
struct LevelRows
{
    KeyedRows all;
    KeyedRows bySubsystem;
    std::vector<int> subsystemBegin; // per subsystem id, and one past the last

    LevelRows(const std::vector<int> &rows, const std::vector<int> &subsystems, int subsystemCount,
              const std::vector<int> &keyOfRun, const std::vector<int> &occurrenceOfRow)
    {
        std::vector<int> keys(rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            const int run = occurrenceOfRow[size_t(rows[i])];
            keys[i] = run >= 0 ? keyOfRun[size_t(run)] : -1;
        }
        // Grouped by subsystem, each group in file order.
        subsystemBegin.assign(size_t(subsystemCount) + 1, 0);
        for (const int subsystem : subsystems)
            ++subsystemBegin[size_t(subsystem) + 1];
        for (size_t i = 1; i < subsystemBegin.size(); ++i)
            subsystemBegin[i] += subsystemBegin[i - 1];
        std::vector<int> place(subsystemBegin.begin(), subsystemBegin.end() - 1);
        std::vector<int> groupedRows(rows.size());
        std::vector<int> groupedKeys(rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            const size_t to = size_t(place[size_t(subsystems[i])]++);
            groupedRows[to] = rows[i];
            groupedKeys[to] = keys[i];
        }
        bySubsystem.assign(std::move(groupedRows), std::move(groupedKeys));
        all.assign(std::vector<int>(rows), std::move(keys));
    }
};

} // namespace

void ProblemRecords::add(int row, const LogFileEntry &entry)
{
    const Level level = entry.type() == Error ? ErrorLevel : entry.type() == Warning ? WarningLevel : LevelCount;
    if (level == LevelCount)
        return;
    auto id = subsystemIds.constFind(entry.subsystem());
    if (id == subsystemIds.constEnd())
        id = subsystemIds.insert(entry.subsystem(), subsystemIds.size());
    rows[level].push_back(row);
    subsystems[level].push_back(id.value());
}

bool ProblemRecords::explain(ActionAnalysis &analysis, int entryCount, const std::atomic<bool> *cancelled) const
{
    auto &runs = analysis.occurrences;
    const Nesting nesting(analysis);
    std::vector<LevelRows> levels;
    for (int level = 0; level < LevelCount; ++level)
        levels.emplace_back(rows[level], subsystems[level], subsystemIds.size(), nesting.first, analysis.occurrenceOfRow);

    // Errors before warnings; within each, the run's own subsystem first.
    // The window leaves out the start and the end (or restart) themselves.
    for (size_t run = 0; run < runs.size(); ++run) {
        if ((run & 0xffff) == 0 && cancelled && cancelled->load(std::memory_order_relaxed))
            return false;
        ActionOccurrence &occurrence = runs[run];
        if (occurrence.startRow < 0 || !occurrence.failed())
            continue;
        const int after = occurrence.startRow;
        const int upTo = occurrence.outcome == ActionOccurrence::NeverEnded ? entryCount - 1 : occurrence.endRow - 1;
        const int from = nesting.first[run];
        const int to = nesting.last[run];
        const int subsystem = subsystemIds.value(occurrence.subsystem, -1);
        for (const LevelRows &level : levels) {
            if (subsystem >= 0) {
                occurrence.causeRow =
                    level.bySubsystem.lastOutside(level.subsystemBegin[size_t(subsystem)],
                                                  level.subsystemBegin[size_t(subsystem) + 1], after, upTo, from, to);
                if (occurrence.causeRow >= 0)
                    break;
            }
            occurrence.causeRow = level.all.lastOutside(0, level.all.size(), after, upTo, from, to);
            if (occurrence.causeRow >= 0)
                break;
        }
    }

    // From the innermost runs out: a failed run goes on with its last failed
    // sub-run whose path ends in a cause, else with its last failed sub-run.
    analysis.failedSubRun.assign(runs.size(), -1);
    analysis.shownCause.assign(runs.size(), -1);
    for (size_t run = runs.size(); run-- > 0;) {
        const ActionOccurrence &occurrence = runs[run];
        if (occurrence.outcome == ActionOccurrence::Completed || occurrence.outcome == ActionOccurrence::NoStart)
            continue;
        int &next = analysis.failedSubRun[run];
        const auto &subs = analysis.subRuns[run];
        for (auto sub = subs.rbegin(); sub != subs.rend(); ++sub) {
            if (!runs[size_t(*sub)].failed())
                continue;
            if (next < 0)
                next = *sub;
            if (analysis.shownCause[size_t(*sub)] >= 0) {
                next = *sub;
                break;
            }
        }
        const int below = next >= 0 ? analysis.shownCause[size_t(next)] : -1;
        analysis.shownCause[run] = below >= 0 ? below : occurrence.causeRow;
    }
    return true;
}

std::vector<int> ActionAnalysis::failedPath(int run) const
{
    std::vector<int> path;
    if (run < 0 || size_t(run) >= occurrences.size())
        return path;
    for (int at = run; at >= 0; at = size_t(at) < failedSubRun.size() ? failedSubRun[size_t(at)] : -1)
        path.push_back(at);
    return path;
}

int ActionAnalysis::shownCauseRow(int run) const
{
    return run >= 0 && size_t(run) < shownCause.size() ? shownCause[size_t(run)] : -1;
}

QString ActionAnalysis::causeChain(int run, const LogFile::ReadAccess &file) const
{
    const std::vector<int> path = failedPath(run);
    // A path deeper than anyone reads shows its ends.
    constexpr size_t shownEnds = 6;
    QStringList parts;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path.size() > 2 * shownEnds && i == shownEnds) {
            parts << QString(QChar(0x2026));
            i = path.size() - shownEnds;
        }
        const ActionOccurrence &occurrence = occurrences[size_t(path[i])];
        QString text = EntryPresentation::recordToolTip(occurrence.action ? occurrence.action->name().trimmed()
                                                                          : QString());
        if (i > 0)
            text += QStringLiteral(" (") + ActionOccurrence::outcomeText(occurrence.outcome) + QLatin1Char(')');
        parts << text;
    }
    const int cause = shownCauseRow(run);
    if (cause >= 0 && cause < file.count()) {
        const LogFileEntry &entry = file.entry(cause);
        parts << QLatin1Char('"') + EntryPresentation::recordToolTip(entry.message()) + QStringLiteral("\" at ")
                + EntryPresentation::timeText(entry.time());
    }
    return parts.join(QStringLiteral(" \u2192 "));
}
