#include "runcomparison.h"

#include "entrypresentation.h"
#include "logfileentry.h"
#include "messagetemplate.h"
#include "robotaction.h"
#include "runalignment.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <thread>

namespace {

bool stopped(const std::atomic<bool> *cancelled)
{
    return cancelled && cancelled->load(std::memory_order_relaxed);
}

// The first record of a run: its start, or its end when it has none.
int firstRow(const ActionOccurrence &run)
{
    return run.startRow >= 0 ? run.startRow : run.endRow;
}

// The top-level runs of a side in the order of their first record.
std::vector<int> topLevelRuns(const ActionAnalysis &analysis)
{
    std::vector<int> runs;
    for (size_t run = 0; run < analysis.occurrences.size(); ++run)
        if (analysis.occurrences[run].parent < 0)
            runs.push_back(int(run));
    std::stable_sort(runs.begin(), runs.end(), [&analysis](int x, int y) {
        return firstRow(analysis.occurrences[size_t(x)]) < firstRow(analysis.occurrences[size_t(y)]);
    });
    return runs;
}

bool isProblem(const LogFileEntry &entry)
{
    return entry.type() == Warning || entry.type() == Error;
}

void setProgress(std::atomic<int> *progress, int value)
{
    if (progress)
        progress->store(value, std::memory_order_relaxed);
}

} // namespace

std::shared_ptr<const RunComparison> RunComparison::compute(const LogFile::ReadAccess &fileA,
                                                            const LogFile::ReadAccess &fileB,
                                                            const std::atomic<bool> *cancelled,
                                                            std::atomic<int> *progress)
{
    // The two sides are analysed at once, B on a thread of its own.
    setProgress(progress, 5);
    Side sideB;
    QSet<QString> knownA;
    bool knownComplete = false;
    std::thread analysingB([&] {
        sideB = analyse(fileB, cancelled);
        knownComplete = templatesOfProblems(fileA, cancelled, knownA);
    });
    Side sideA = analyse(fileA, cancelled);
    setProgress(progress, 50);
    analysingB.join();
    if (!sideA.texts || !sideB.texts || !knownComplete)
        return nullptr;
    setProgress(progress, 85);
    auto result = compare(std::move(sideA), std::move(sideB), knownA, fileB, cancelled);
    setProgress(progress, 100);
    return result;
}

RunComparison::Side RunComparison::analyse(const LogFile::ReadAccess &file, const std::atomic<bool> *cancelled)
{
    Side side;
    side.analysis = ActionAnalysis::compute(file, file.count(), cancelled);
    if (!side.analysis)
        return side;
    // Names and arguments are all a comparison shows of its runs.
    auto texts = std::make_shared<RunTexts>();
    const size_t count = side.analysis->occurrences.size();
    texts->names.reserve(count);
    texts->arguments.reserve(count);
    for (size_t run = 0; run < count; ++run) {
        if ((run & 0xfff) == 0 && stopped(cancelled))
            return {};
        const RobotAction *action = side.analysis->occurrences[run].action;
        texts->names.push_back(action ? action->name().trimmed() : QString());
        texts->arguments.push_back(action ? action->arguments().join(QStringLiteral(", ")) : QString());
    }
    side.texts = std::move(texts);
    return side;
}

std::shared_ptr<const RunComparison> RunComparison::compare(Side a, Side b, const QSet<QString> &knownA,
                                                            const LogFile::ReadAccess &fileB,
                                                            const std::atomic<bool> *cancelled)
{
    auto comparison = std::make_shared<RunComparison>();
    comparison->a = std::move(a);
    comparison->b = std::move(b);
    comparison->compareNames();
    if (!comparison->alignRuns(cancelled) || !comparison->findNewErrors(knownA, fileB, cancelled))
        return nullptr;
    const auto &rows = comparison->sequence;
    for (size_t row = 0; row < rows.size(); ++row) {
        if (comparison->differs(rows[row])) {
            comparison->firstDifference = int(row);
            comparison->firstDifferenceText = comparison->differenceText(rows[row]);
            break;
        }
    }
    return comparison;
}

void RunComparison::compareNames()
{
    QHash<QString, int> rowOfName;
    const auto add = [&](const std::vector<ActionStatistics> &statistics, bool sideA) {
        for (const ActionStatistics &name : statistics) {
            auto found = rowOfName.constFind(name.name);
            if (found == rowOfName.constEnd()) {
                found = rowOfName.insert(name.name, int(byName.size()));
                byName.push_back({name.name, {}, {}});
            }
            (sideA ? byName[size_t(*found)].a : byName[size_t(*found)].b) = name;
        }
    };
    add(a.analysis->statistics, true);
    add(b.analysis->statistics, false);
    std::stable_sort(byName.begin(), byName.end(), worseFirst);
}

bool RunComparison::worseFirst(const NameRow &x, const NameRow &y)
{
    if (x.worsening() != y.worsening())
        return x.worsening() > y.worsening();
    if (x.hasRatio() != y.hasRatio())
        return x.hasRatio();
    if (x.hasRatio() && x.ratio() != y.ratio())
        return x.ratio() > y.ratio();
    return x.name.compare(y.name, Qt::CaseInsensitive) < 0;
}

bool RunComparison::alignRuns(const std::atomic<bool> *cancelled)
{
    const std::vector<int> runsA = topLevelRuns(*a.analysis);
    const std::vector<int> runsB = topLevelRuns(*b.analysis);
    // Name and arguments, one number per distinct pair of both sides.
    QHash<QString, int> keyOf;
    const auto keys = [&keyOf](const Side &side, const std::vector<int> &runs) {
        std::vector<int> out;
        out.reserve(runs.size());
        for (int run : runs) {
            const QString key = side.texts->names[size_t(run)] + QChar(0x1f) + side.texts->arguments[size_t(run)];
            out.push_back(*keyOf.insert(key, keyOf.value(key, keyOf.size())));
        }
        return out;
    };
    const std::vector<int> keysA = keys(a, runsA);
    const std::vector<int> keysB = keys(b, runsB);
    if (stopped(cancelled))
        return false;
    const std::vector<RunAlignment::Pair> pairs = RunAlignment::align(keysA, keysB, cancelled);
    if (stopped(cancelled))
        return false;
    sequence.reserve(pairs.size());
    for (const RunAlignment::Pair &pair : pairs)
        sequence.push_back({pair.a >= 0 ? runsA[size_t(pair.a)] : -1, pair.b >= 0 ? runsB[size_t(pair.b)] : -1});
    return true;
}

bool RunComparison::templatesOfProblems(const LogFile::ReadAccess &file, const std::atomic<bool> *cancelled,
                                        QSet<QString> &templates)
{
    const EntryList &entries = file.entries();
    for (int row = 0; row < entries.size(); ++row) {
        if ((row & 0xffff) == 0 && stopped(cancelled))
            return false;
        const LogFileEntry &entry = *entries.at(row);
        if (isProblem(entry))
            templates.insert(MessageTemplate::of(entry.message()));
    }
    return true;
}

bool RunComparison::findNewErrors(const QSet<QString> &known, const LogFile::ReadAccess &fileB,
                                  const std::atomic<bool> *cancelled)
{
    QHash<QString, int> rowOfTemplate;
    const EntryList &entriesB = fileB.entries();
    for (int row = 0; row < entriesB.size(); ++row) {
        if ((row & 0xffff) == 0 && stopped(cancelled))
            return false;
        const LogFileEntry &entry = *entriesB.at(row);
        if (!isProblem(entry))
            continue;
        QString text = MessageTemplate::of(entry.message());
        if (known.contains(text))
            continue;
        auto found = rowOfTemplate.constFind(text);
        if (found == rowOfTemplate.constEnd()) {
            found = rowOfTemplate.insert(text, int(newErrors.size()));
            newErrors.push_back({std::move(text), 0, entry.time(), row, entry.subsystem()});
        }
        ++newErrors[size_t(*found)].count;
    }
    return true;
}

bool RunComparison::differs(const SequenceRow &row) const
{
    if (row.runA < 0 || row.runB < 0)
        return true;
    const ActionOccurrence &runA = a.analysis->occurrences[size_t(row.runA)];
    const ActionOccurrence &runB = b.analysis->occurrences[size_t(row.runB)];
    if (runA.outcome != runB.outcome)
        return true;
    if (!runA.hasDuration() || !runB.hasDuration())
        return false;
    return runA.duration() > 2 * runB.duration() || runB.duration() > 2 * runA.duration();
}

QString RunComparison::runText(const Side &side, int run) const
{
    const QString &name = side.texts->names[size_t(run)];
    const QString &arguments = side.texts->arguments[size_t(run)];
    return arguments.isEmpty() ? name : name + QStringLiteral(", ") + arguments;
}

QString RunComparison::differenceText(const SequenceRow &row) const
{
    // The side named is B unless the run is A's alone.
    const bool namesB = row.runB >= 0;
    const Side &side = namesB ? b : a;
    const int run = namesB ? row.runB : row.runA;
    const ActionOccurrence &named = side.analysis->occurrences[size_t(run)];
    const int otherRun = namesB ? row.runA : row.runB;
    const Side &otherSide = namesB ? a : b;
    const bool slower = otherRun >= 0
        && otherSide.analysis->occurrences[size_t(otherRun)].outcome == named.outcome;
    const auto outcome = [slower](const ActionOccurrence &occurrence) {
        QString text = ActionOccurrence::outcomeText(occurrence.outcome);
        if (slower)
            text += QStringLiteral(" in %1 s").arg(QString::number(occurrence.duration(), 'f', 3));
        return text;
    };
    const QString other = otherRun >= 0 ? outcome(otherSide.analysis->occurrences[size_t(otherRun)])
                                        : QStringLiteral("missing");
    return QStringLiteral("first difference: %1 at %2 s (%3): %4, %5: %6")
        .arg(runText(side, run), EntryPresentation::timeText(named.startRow >= 0 ? named.startTime : named.endTime),
             namesB ? QStringLiteral("B") : QStringLiteral("A"), outcome(named),
             namesB ? QStringLiteral("A") : QStringLiteral("B"), other);
}
