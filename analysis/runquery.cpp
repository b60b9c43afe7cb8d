#include "runquery.h"

#include "robotaction.h"
#include "runcolumns.h"
#include "runtexts.h"

#include <algorithm>
#include <limits>

QStringList RunQuery::wordsOf(const QString &text)
{
    QStringList words;
    QString word;
    bool quoted = false;
    const auto finish = [&] {
        if (!word.isEmpty())
            words.push_back(word.toLower());
        word.clear();
    };
    for (const QChar c : text) {
        if (c == QLatin1Char('"')) {
            finish();
            quoted = !quoted;
        } else if (c.isSpace() && !quoted) {
            finish();
        } else {
            word += c;
        }
    }
    finish();
    return words;
}

bool RunQuery::shownBy(const std::vector<bool> &hiddenRows, const ActionOccurrence &run)
{
    const int row = run.startRow >= 0 ? run.startRow : run.endRow;
    return row >= 0 && (size_t(row) >= hiddenRows.size() || !hiddenRows[size_t(row)]);
}

bool RunQuery::keeps(const ActionAnalysis &analysis, const RunTexts &texts, int run) const
{
    const ActionOccurrence &occurrence = analysis.occurrences[size_t(run)];
    if (onlyFailures && !occurrence.failed())
        return false;
    if (hiddenRows && !shownBy(*hiddenRows, occurrence))
        return false;
    if (!exactName.isEmpty() && texts.names[size_t(run)] != exactName)
        return false;
    const QString &haystack = texts.haystacks[size_t(run)];
    for (const QString &word : words) {
        if (!haystack.contains(word))
            return false;
    }
    return true;
}

namespace {

// What a run is sorted by in a column: a number, or its text's place in
// alphabetical order. Missing values (no start, no end, no duration) sort
// before all others.
double sortKey(const ActionAnalysis &analysis, const RunTexts &texts, int column, int run)
{
    const ActionOccurrence &occurrence = analysis.occurrences[size_t(run)];
    const double missing = -std::numeric_limits<double>::infinity();
    switch (column) {
    case RunColumns::Id: return occurrence.id;
    case RunColumns::Name: return texts.nameRanks[size_t(run)];
    case RunColumns::Arguments: return texts.argumentRanks[size_t(run)];
    case RunColumns::Subsystem: return texts.subsystemRanks[size_t(run)];
    case RunColumns::Start: return occurrence.startRow >= 0 ? occurrence.startTime : missing;
    case RunColumns::End: return occurrence.endRow >= 0 ? occurrence.endTime : missing;
    case RunColumns::Duration: return occurrence.hasDuration() ? occurrence.duration() : missing;
    case RunColumns::Outcome: {
        // In alphabetical order of their names.
        static const int place[] = {1, 0, 2, 3, 4}; // Completed, Cancelled, Never ended, No start, Restarted
        return place[std::clamp(int(occurrence.outcome), 0, 4)];
    }
    case RunColumns::SubActions: return occurrence.action ? double(occurrence.action->children().size()) : 0;
    case RunColumns::Cause: return texts.causeRanks[size_t(run)];
    case RunColumns::Source: return occurrence.source;
    default: return 0;
    }
}

} // namespace

std::vector<int> RunQuery::select(const ActionAnalysis &analysis, const RunTexts &texts,
                                  const std::atomic<bool> *cancelled) const
{
    std::vector<int> runs;
    const int count = int(analysis.occurrences.size());
    for (int run = 0; run < count; ++run) {
        if ((run & 0x3ff) == 0 && cancelled && cancelled->load(std::memory_order_relaxed))
            return {};
        if (keeps(analysis, texts, run))
            runs.push_back(run);
    }
    if (sortColumn < 0 || sortColumn >= RunColumns::Count)
        return runs;
    std::vector<std::pair<double, int>> keyed;
    keyed.reserve(runs.size());
    for (int run : runs)
        keyed.emplace_back(sortKey(analysis, texts, sortColumn, run), run);
    // Equal cells keep the file's order, in either direction.
    std::stable_sort(keyed.begin(), keyed.end(), [this](const auto &left, const auto &right) {
        return descending ? left.first > right.first : left.first < right.first;
    });
    for (size_t i = 0; i < keyed.size(); ++i)
        runs[i] = keyed[i].second;
    return runs;
}

std::vector<int> RunQuery::runsForStatistics(const ActionAnalysis &analysis) const
{
    std::vector<int> runs;
    runs.reserve(analysis.occurrences.size());
    for (size_t run = 0; run < analysis.occurrences.size(); ++run) {
        if (!hiddenRows || shownBy(*hiddenRows, analysis.occurrences[run]))
            runs.push_back(int(run));
    }
    return runs;
}
