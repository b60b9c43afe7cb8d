#include "actionoccurrences.h"

#include "logfile.h"
#include "logfileentry.h"
#include "robotaction.h"
#include "runcauses.h"

#include <QHash>

#include <algorithm>
#include <cmath>

QString ActionOccurrence::outcomeText(Outcome outcome)
{
    switch (outcome) {
    case Completed: return QStringLiteral("Completed");
    case Cancelled: return QStringLiteral("Cancelled");
    case NeverEnded: return QStringLiteral("Never ended");
    case Restarted: return QStringLiteral("Restarted");
    default: return QStringLiteral("No start");
    }
}

ActionActivity ActionOccurrence::colourActivity(Outcome outcome)
{
    switch (outcome) {
    case Completed: return Complete;
    case Cancelled: return Cancel;
    case NeverEnded: return Start;
    case Restarted: return Cancel;
    default: return NoActivity;
    }
}

std::shared_ptr<const ActionAnalysis> ActionAnalysis::compute(const LogFile &file, int entryCount,
                                                              const std::atomic<bool> *cancelled)
{
    return compute(LogFile::ReadAccess(file), entryCount, cancelled);
}

namespace {

// Pairs the action records of the entries into runs, in file order, and
// gathers what the other steps look up: the error and warning records, the
// times per level, the first and last time.
class RunPairing final
{
public:
    RunPairing(ActionAnalysis &analysis, const LogFile::ReadAccess &file)
        : analysis(analysis)
    {
        // The actions each action is listed under, to find the run a
        // sub-action runs inside.
        for (const RobotAction *action : file.actionList()) {
            for (const auto &child : action->children())
                parentsOf[child].push_back(action);
        }
    }

    void add(int row, const LogFileEntry &entry)
    {
        const double time = entry.time();
        if (first || time < analysis.firstTime)
            analysis.firstTime = time;
        if (first || time > analysis.lastTime)
            analysis.lastTime = time;
        first = false;
        analysis.levelTimes[std::clamp(int(entry.type()), 0, 3)].push_back(time);
        problems.add(row, entry);
        if (!entry.action())
            return;
        if (entry.activity() == Start)
            start(row, entry);
        else if (entry.activity() == Complete || entry.activity() == Cancel)
            end(row, entry);
    }

    ProblemRecords problems;

private:
    void start(int row, const LogFileEntry &entry)
    {
        auto &occurrences = analysis.occurrences;
        const RobotAction *action = entry.action();
        ActionOccurrence occurrence;
        occurrence.id = action->id();
        occurrence.source = entry.source();
        occurrence.action = action;
        occurrence.startRow = row;
        occurrence.startTime = entry.time();
        occurrence.outcome = ActionOccurrence::NeverEnded;
        occurrence.subsystem = entry.subsystem();
        // Inside the latest started open run of an action that lists it.
        const auto parents = parentsOf.constFind(action);
        if (parents != parentsOf.constEnd()) {
            for (const RobotAction *parent : parents.value()) {
                const auto running = open.constFind(keyOf(parent->id(), entry.source()));
                if (running != open.constEnd()
                    && (occurrence.parent < 0
                        || occurrences[size_t(running.value())].startRow
                            > occurrences[size_t(occurrence.parent)].startRow))
                    occurrence.parent = running.value();
            }
        }
        // A start while the action runs starts it again: the earlier run
        // ends here, Restarted.
        const auto restarted = open.constFind(keyOf(occurrence.id, occurrence.source));
        if (restarted != open.constEnd()) {
            ActionOccurrence &earlier = occurrences[size_t(restarted.value())];
            earlier.outcome = ActionOccurrence::Restarted;
            earlier.endRow = row;
            earlier.endTime = occurrence.startTime;
        }
        open.insert(keyOf(occurrence.id, occurrence.source), int(occurrences.size()));
        analysis.occurrenceOfRow[size_t(row)] = int(occurrences.size());
        occurrences.push_back(std::move(occurrence));
    }

    void end(int row, const LogFileEntry &entry)
    {
        auto &occurrences = analysis.occurrences;
        const RobotAction *action = entry.action();
        const auto running = open.find(keyOf(action->id(), entry.source()));
        const ActionOccurrence::Outcome outcome =
            entry.activity() == Complete ? ActionOccurrence::Completed : ActionOccurrence::Cancelled;
        if (running != open.end()) {
            ActionOccurrence &occurrence = occurrences[size_t(running.value())];
            occurrence.endRow = row;
            occurrence.endTime = entry.time();
            occurrence.outcome = outcome;
            analysis.occurrenceOfRow[size_t(row)] = running.value();
            open.erase(running);
            return;
        }
        ActionOccurrence occurrence;
        occurrence.id = action->id();
        occurrence.source = entry.source();
        occurrence.action = action;
        occurrence.endRow = row;
        occurrence.startTime = entry.time();
        occurrence.endTime = entry.time();
        occurrence.outcome = ActionOccurrence::NoStart;
        occurrence.subsystem = entry.subsystem();
        analysis.occurrenceOfRow[size_t(row)] = int(occurrences.size());
        occurrences.push_back(std::move(occurrence));
    }

    ActionAnalysis &analysis;
    QHash<const RobotAction *, std::vector<const RobotAction *>> parentsOf;
    // Action ids belong to their source: the same id in two files of a
    // merged view names two actions.
    static qint64 keyOf(int id, int source) { return (qint64(source) << 32) | quint32(id); }
    // The open run of each action: its latest start that nothing ended.
    QHash<qint64, int> open;
    bool first = true;
};

// Numbers the names of the runs in order of first appearance, and gives
// each a row of `statistics` that holds only its name so far.
void nameRuns(ActionAnalysis &analysis)
{
    QHash<QString, int> numberOf;
    analysis.nameOfRun.reserve(analysis.occurrences.size());
    for (const ActionOccurrence &occurrence : analysis.occurrences) {
        const QString name = occurrence.action->name().trimmed();
        auto found = numberOf.constFind(name);
        if (found == numberOf.constEnd()) {
            found = numberOf.insert(name, int(analysis.statistics.size()));
            analysis.statistics.push_back(ActionStatistics());
            analysis.statistics.back().name = name;
        }
        analysis.nameOfRun.push_back(found.value());
    }
}

// The durations from `sorted` up to before `end`, sorted, summed up.
void summarise(ActionStatistics &statistics, double *sorted, double *end)
{
    const size_t n = size_t(end - sorted);
    statistics.timed = int(n);
    if (n == 0)
        return;
    statistics.minimum = sorted[0];
    statistics.maximum = sorted[n - 1];
    statistics.median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    // Nearest rank.
    const size_t rank = size_t(std::ceil(0.95 * double(n)));
    statistics.p95 = sorted[std::min(n, std::max<size_t>(rank, 1)) - 1];
}

} // namespace

std::shared_ptr<const ActionAnalysis> ActionAnalysis::compute(const LogFile::ReadAccess &file, int entryCount,
                                                              const std::atomic<bool> *cancelled)
{
    auto analysis = std::make_shared<ActionAnalysis>();
    const auto &entries = file.entries();
    const int count = std::min(entryCount, entries.size());
    analysis->occurrenceOfRow.assign(size_t(count), -1);
    if (file.file().isMerged()) {
        for (const LogFile::Source &source : file.file().sources())
            analysis->sourceNames.push_back(source.name);
    }
    RunPairing pairing(*analysis, file);
    for (int row = 0; row < count; ++row) {
        if ((row & 0xffff) == 0 && cancelled && cancelled->load(std::memory_order_relaxed))
            return nullptr;
        pairing.add(row, *entries.at(row));
    }

    for (ActionOccurrence &occurrence : analysis->occurrences) {
        if (occurrence.outcome == ActionOccurrence::NeverEnded)
            occurrence.endTime = analysis->lastTime;
    }
    nameRuns(*analysis);
    std::vector<int> all(analysis->occurrences.size());
    for (size_t run = 0; run < all.size(); ++run)
        all[run] = int(run);
    analysis->statistics = analysis->statisticsOf(all);
    analysis->subRuns.resize(analysis->occurrences.size());
    for (size_t run = 0; run < analysis->occurrences.size(); ++run) {
        const int parent = analysis->occurrences[run].parent;
        if (parent >= 0)
            analysis->subRuns[size_t(parent)].push_back(int(run));
    }
    if (!pairing.problems.explain(*analysis, count, cancelled))
        return nullptr;
    for (auto &times : analysis->levelTimes)
        std::sort(times.begin(), times.end());
    return analysis;
}

std::vector<ActionStatistics> ActionAnalysis::statisticsOf(const std::vector<int> &runs) const
{
    // Per name its row of the result, in order of the names' first
    // appearance in the file; -2 for names none of the runs has.
    std::vector<int> rowOf(statistics.size(), -2);
    for (const int run : runs) {
        if (run >= 0 && size_t(run) < nameOfRun.size())
            rowOf[size_t(nameOfRun[size_t(run)])] = -1;
    }
    std::vector<ActionStatistics> out;
    for (size_t name = 0; name < rowOf.size(); ++name) {
        if (rowOf[name] == -1) {
            rowOf[name] = int(out.size());
            out.emplace_back();
            out.back().name = statistics[name].name;
        }
    }
    // The durations of all rows in one array, each row's together.
    std::vector<int> timedEnd(out.size() + 1, 0);
    for (const int run : runs) {
        if (run < 0 || size_t(run) >= nameOfRun.size())
            continue;
        const ActionOccurrence &occurrence = occurrences[size_t(run)];
        const int row = rowOf[size_t(nameOfRun[size_t(run)])];
        ActionStatistics &counts = out[size_t(row)];
        ++counts.count;
        switch (occurrence.outcome) {
        case ActionOccurrence::Completed: ++counts.completed; break;
        case ActionOccurrence::Cancelled: ++counts.cancelled; break;
        case ActionOccurrence::NeverEnded: ++counts.neverEnded; break;
        case ActionOccurrence::NoStart: ++counts.noStart; break;
        case ActionOccurrence::Restarted: ++counts.restarted; break;
        }
        if (occurrence.hasDuration())
            ++timedEnd[size_t(row) + 1];
    }
    for (size_t row = 1; row < timedEnd.size(); ++row)
        timedEnd[row] += timedEnd[row - 1];
    std::vector<double> durations(size_t(timedEnd.back()));
    std::vector<int> place(timedEnd.begin(), timedEnd.end() - 1);
    for (const int run : runs) {
        if (run >= 0 && size_t(run) < nameOfRun.size() && occurrences[size_t(run)].hasDuration())
            durations[size_t(place[size_t(rowOf[size_t(nameOfRun[size_t(run)])])]++)] =
                occurrences[size_t(run)].duration();
    }
    for (size_t row = 0; row < out.size(); ++row) {
        double *begin = durations.data() + timedEnd[row];
        double *end = durations.data() + timedEnd[row + 1];
        std::sort(begin, end);
        summarise(out[row], begin, end);
    }
    return out;
}
