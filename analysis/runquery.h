#pragma once

#include "actionoccurrences.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <vector>

struct RunTexts;

// Which runs the actions table shows, and in what order: the words of the
// narrowing box, one exact action name, only failed runs, only the runs
// whose start record a filter shows, and a column to sort by.
struct RunQuery final
{
    // Every word must be found in a run's name, arguments, outcome,
    // subsystem or cause; small letters, as wordsOf makes them.
    QStringList words;
    QString exactName;
    bool onlyFailures = false;
    // Per entry, whether the tab's filter hides it; null keeps every run.
    std::shared_ptr<const std::vector<bool>> hiddenRows;
    int sortColumn = -1; // a RunColumns::Column; -1 keeps the file's order
    bool descending = false;

    // The words of a narrowing text: split at spaces, `"…"` keeps a phrase
    // together (an unclosed quote runs to the end), in small letters.
    static QStringList wordsOf(const QString &text);

    // Whether the tab's filter shows the run's start record (its end
    // record, for a run without a start).
    static bool shownBy(const std::vector<bool> &hiddenRows, const ActionOccurrence &run);
    bool keeps(const ActionAnalysis &analysis, const RunTexts &texts, int run) const;
    // The runs kept, sorted; empty when `cancelled` is set meanwhile.
    std::vector<int> select(const ActionAnalysis &analysis, const RunTexts &texts,
                            const std::atomic<bool> *cancelled = nullptr) const;
    // The runs the statistics count: those the filter shows (all without
    // one).
    std::vector<int> runsForStatistics(const ActionAnalysis &analysis) const;
};
