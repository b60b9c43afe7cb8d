#include "actionoccurrences.h"

#include "logfile.h"
#include "logfileentry.h"
#include "robotaction.h"

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

namespace {

// The last of `rows` (increasing) that lies after `after` and at or before
// `upTo`; -1 when none does.
int lastBetween(const std::vector<int> &rows, int after, int upTo)
{
    auto it = std::upper_bound(rows.begin(), rows.end(), upTo);
    if (it == rows.begin())
        return -1;
    --it;
    return *it > after ? *it : -1;
}

// Rows of errors and warnings, for all subsystems and for each one.
struct ProblemRows
{
    std::vector<int> errors;
    std::vector<int> warnings;
    QHash<QString, std::vector<int>> errorsOf;
    QHash<QString, std::vector<int>> warningsOf;

    int cause(const QString &subsystem, int after, int upTo) const
    {
        // Errors before warnings; within each, the action's own subsystem first.
        for (const auto *own : {&errorsOf, &warningsOf}) {
            const auto found = own->constFind(subsystem);
            if (found != own->constEnd()) {
                const int row = lastBetween(found.value(), after, upTo);
                if (row >= 0)
                    return row;
            }
            const int row = lastBetween(own == &errorsOf ? errors : warnings, after, upTo);
            if (row >= 0)
                return row;
        }
        return -1;
    }
};

double percentile(const std::vector<double> &sorted, double fraction)
{
    // Nearest rank.
    const size_t rank = size_t(std::ceil(fraction * double(sorted.size())));
    return sorted[std::min(sorted.size(), std::max<size_t>(rank, 1)) - 1];
}

} // namespace

std::shared_ptr<const ActionAnalysis> ActionAnalysis::compute(const LogFile &file, int entryCount,
                                                              const std::atomic<bool> *cancelled)
{
    return compute(LogFile::ReadAccess(file), entryCount, cancelled);
}

namespace {

// Pairs the action records of the entries into runs, in file order, and
// gathers what the other steps look up: the error and warning rows, the
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
                parentsOf[child.get()].push_back(action);
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
        if (entry.type() == Error) {
            problems.errors.push_back(row);
            problems.errorsOf[entry.subsystem()].push_back(row);
        } else if (entry.type() == Warning) {
            problems.warnings.push_back(row);
            problems.warningsOf[entry.subsystem()].push_back(row);
        }
        if (!entry.action())
            return;
        if (entry.activity() == Start)
            start(row, entry);
        else if (entry.activity() == Complete || entry.activity() == Cancel)
            end(row, entry);
    }

    ProblemRows problems;

private:
    void start(int row, const LogFileEntry &entry)
    {
        auto &occurrences = analysis.occurrences;
        const RobotAction *action = entry.action().get();
        ActionOccurrence occurrence;
        occurrence.id = action->id();
        occurrence.action = action;
        occurrence.startRow = row;
        occurrence.startTime = entry.time();
        occurrence.outcome = ActionOccurrence::NeverEnded;
        occurrence.subsystem = entry.subsystem();
        // Inside the latest started open run of an action that lists it.
        const auto parents = parentsOf.constFind(action);
        if (parents != parentsOf.constEnd()) {
            for (const RobotAction *parent : parents.value()) {
                const auto running = open.constFind(parent->id());
                if (running != open.constEnd()
                    && (occurrence.parent < 0
                        || occurrences[size_t(running.value())].startRow
                            > occurrences[size_t(occurrence.parent)].startRow))
                    occurrence.parent = running.value();
            }
        }
        // A start while the action runs starts it again; the earlier run
        // never ends.
        open.insert(occurrence.id, int(occurrences.size()));
        analysis.occurrenceOfRow[size_t(row)] = int(occurrences.size());
        occurrences.push_back(std::move(occurrence));
    }

    void end(int row, const LogFileEntry &entry)
    {
        auto &occurrences = analysis.occurrences;
        const RobotAction *action = entry.action().get();
        const auto running = open.find(action->id());
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
    // The open run of each action id: its latest start that nothing ended.
    QHash<int, int> open;
    bool first = true;
};

// Statistics per name, in order of first appearance.
void computeStatistics(ActionAnalysis &analysis)
{
    QHash<QString, int> statisticsOf;
    std::vector<std::vector<double>> durations;
    for (const ActionOccurrence &occurrence : analysis.occurrences) {
        const QString name = occurrence.action->name().trimmed();
        auto found = statisticsOf.find(name);
        if (found == statisticsOf.end()) {
            found = statisticsOf.insert(name, int(analysis.statistics.size()));
            analysis.statistics.push_back(ActionStatistics());
            analysis.statistics.back().name = name;
            durations.emplace_back();
        }
        ActionStatistics &statistics = analysis.statistics[size_t(found.value())];
        ++statistics.count;
        switch (occurrence.outcome) {
        case ActionOccurrence::Completed: ++statistics.completed; break;
        case ActionOccurrence::Cancelled: ++statistics.cancelled; break;
        case ActionOccurrence::NeverEnded: ++statistics.neverEnded; break;
        case ActionOccurrence::NoStart: ++statistics.noStart; break;
        case ActionOccurrence::Restarted: ++statistics.neverEnded; break;
        }
        if (occurrence.hasDuration())
            durations[size_t(found.value())].push_back(occurrence.duration());
    }
    for (size_t i = 0; i < durations.size(); ++i) {
        std::vector<double> &sorted = durations[i];
        if (sorted.empty())
            continue;
        std::sort(sorted.begin(), sorted.end());
        ActionStatistics &statistics = analysis.statistics[i];
        const size_t n = sorted.size();
        statistics.timed = int(n);
        statistics.minimum = sorted.front();
        statistics.maximum = sorted.back();
        statistics.median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
        statistics.p95 = percentile(sorted, 0.95);
    }
}

} // namespace

std::shared_ptr<const ActionAnalysis> ActionAnalysis::compute(const LogFile::ReadAccess &file, int entryCount,
                                                              const std::atomic<bool> *cancelled)
{
    auto analysis = std::make_shared<ActionAnalysis>();
    const auto &entries = file.entries();
    const int count = std::min(entryCount, entries.size());
    analysis->occurrenceOfRow.assign(size_t(count), -1);
    RunPairing pairing(*analysis, file);
    for (int row = 0; row < count; ++row) {
        if ((row & 0xffff) == 0 && cancelled && cancelled->load(std::memory_order_relaxed))
            return nullptr;
        pairing.add(row, *entries.at(row));
    }

    // What left an action running or cancelled it: the last error (else
    // warning) from its start up to its end, or to the end of the file.
    for (ActionOccurrence &occurrence : analysis->occurrences) {
        if (occurrence.outcome == ActionOccurrence::NeverEnded)
            occurrence.endTime = analysis->lastTime;
        if (occurrence.outcome == ActionOccurrence::Cancelled || occurrence.outcome == ActionOccurrence::NeverEnded) {
            const int upTo = occurrence.outcome == ActionOccurrence::Cancelled ? occurrence.endRow : count - 1;
            occurrence.causeRow = pairing.problems.cause(occurrence.subsystem, occurrence.startRow, upTo);
        }
    }
    computeStatistics(*analysis);
    for (auto &times : analysis->levelTimes)
        std::sort(times.begin(), times.end());
    return analysis;
}

std::vector<ActionStatistics> ActionAnalysis::statisticsOf(const std::vector<int> &) const
{
    return statistics;
}

std::vector<int> ActionAnalysis::failedPath(int run) const
{
    return {run};
}

int ActionAnalysis::shownCauseRow(int run) const
{
    return occurrences[size_t(run)].causeRow;
}
