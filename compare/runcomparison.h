#pragma once

#include "actionoccurrences.h"
#include "logfile.h"
#include "runtexts.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <vector>

// Two runs of a mission side by side: A, the good one, and B, the one under
// suspicion. Made from the analysis of each file, off the GUI thread.
class RunComparison final
{
public:
    // What is known of one file. Of the texts, the comparison fills the
    // names and arguments alone.
    struct Side
    {
        std::shared_ptr<const ActionAnalysis> analysis;
        std::shared_ptr<const RunTexts> texts;
    };

    // One action name of either run, with its statistics in each (all
    // zero on the side that never ran it).
    struct NameRow
    {
        QString name;
        ActionStatistics a;
        ActionStatistics b;
        bool hasRatio() const { return a.timed > 0 && b.timed > 0 && a.median > 0; }
        double ratio() const { return hasRatio() ? b.median / a.median : 0; }
        bool hasDelta() const { return a.timed > 0 && b.timed > 0; }
        double delta() const { return b.median - a.median; }
        // How many more runs of B than of A were cancelled or never ended.
        int worsening() const { return b.cancelled + b.neverEnded - a.cancelled - a.neverEnded; }
    };

    // A top-level run of each side, or of one of them; -1 for none.
    struct SequenceRow
    {
        int runA = -1;
        int runB = -1;
    };

    // A template of B's errors and warnings that none of A's has.
    struct NewError
    {
        QString text;
        int count = 0;
        double firstTime = 0;
        int firstRow = -1; // entry number of its first record in B
        QString subsystem;
    };

    // Compares the first `countA` and `countB` entries of the files,
    // analysing them first; `progress`, when given, is set to 0-100 as the
    // work goes on. Nothing when `cancelled` is set before it is done.
    static std::shared_ptr<const RunComparison> compute(const LogFile::ReadAccess &fileA,
                                                        const LogFile::ReadAccess &fileB,
                                                        const std::atomic<bool> *cancelled = nullptr,
                                                        std::atomic<int> *progress = nullptr);

    // Whether the two runs of a row differ: one side missing, other
    // outcomes, or one lasting more than twice the other.
    bool differs(const SequenceRow &row) const;
    // The first such row as the status line tells it:
    // `first difference: Grip, bin3 at 812.4 s (B): Cancelled, A: Completed`.
    QString differenceText(const SequenceRow &row) const;
    // "Grip, bin3": the name and arguments of a run of one side.
    QString runText(const Side &side, int run) const;

    // Sorts name rows by the largest worsening first: more cancelled or
    // never-ended runs in B, then the largest ratio of medians, then name.
    static bool worseFirst(const NameRow &x, const NameRow &y);

    Side a;
    Side b;
    std::vector<NameRow> byName;           // worst first
    std::vector<SequenceRow> sequence;     // in start order
    std::vector<NewError> newErrors;       // in order of their first record in B
    int firstDifference = -1;              // row of `sequence`; -1 when the runs agree
    QString firstDifferenceText;           // empty when they agree

private:
    static Side analyse(const LogFile::ReadAccess &file, const std::atomic<bool> *cancelled);
    // The templates of a file's errors and warnings, added to `templates`;
    // false when cancelled.
    static bool templatesOfProblems(const LogFile::ReadAccess &file, const std::atomic<bool> *cancelled,
                                    QSet<QString> &templates);
    // The rest of the comparison, once both sides are analysed and A's
    // templates are known.
    static std::shared_ptr<const RunComparison> compare(Side a, Side b, const QSet<QString> &knownA,
                                                        const LogFile::ReadAccess &fileB,
                                                        const std::atomic<bool> *cancelled);
    void compareNames();
    bool alignRuns(const std::atomic<bool> *cancelled);
    bool findNewErrors(const QSet<QString> &known, const LogFile::ReadAccess &fileB,
                       const std::atomic<bool> *cancelled);
};
