#include "runquery.h"

#include "robotaction.h"
#include "runcolumns.h"
#include "runtexts.h"

#include <algorithm>

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

// Missing values (no start, no end, no duration) sort before all others.
int compareValues(bool hasA, double a, bool hasB, double b)
{
    if (hasA != hasB)
        return hasA ? 1 : -1;
    if (!hasA || a == b)
        return 0;
    return a < b ? -1 : 1;
}

int compareRuns(const ActionAnalysis &analysis, const RunTexts &texts, int column, int left, int right)
{
    const ActionOccurrence &a = analysis.occurrences[size_t(left)];
    const ActionOccurrence &b = analysis.occurrences[size_t(right)];
    const auto text = [](const QString &x, const QString &y) { return x.compare(y, Qt::CaseInsensitive); };
    const auto children = [](const ActionOccurrence &run) {
        return double(run.action ? run.action->children().size() : 0);
    };
    switch (column) {
    case RunColumns::Id: return compareValues(true, a.id, true, b.id);
    case RunColumns::Name: return text(texts.names[size_t(left)], texts.names[size_t(right)]);
    case RunColumns::Arguments: return text(texts.arguments[size_t(left)], texts.arguments[size_t(right)]);
    case RunColumns::Subsystem: return text(a.subsystem, b.subsystem);
    case RunColumns::Start: return compareValues(a.startRow >= 0, a.startTime, b.startRow >= 0, b.startTime);
    case RunColumns::End: return compareValues(a.endRow >= 0, a.endTime, b.endRow >= 0, b.endTime);
    case RunColumns::Duration:
        return compareValues(a.hasDuration(), a.duration(), b.hasDuration(), b.duration());
    case RunColumns::Outcome:
        return text(ActionOccurrence::outcomeText(a.outcome), ActionOccurrence::outcomeText(b.outcome));
    case RunColumns::SubActions: return compareValues(true, children(a), true, children(b));
    case RunColumns::Cause: return text(texts.causes[size_t(left)], texts.causes[size_t(right)]);
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
    // Equal cells keep the file's order, in either direction.
    std::stable_sort(runs.begin(), runs.end(), [&](int left, int right) {
        const int order = compareRuns(analysis, texts, sortColumn, left, right);
        return descending ? order > 0 : order < 0;
    });
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
