#pragma once

#include <QHash>
#include <QtAlgorithms>
#include <QtGlobal>

#include <vector>

class LogFileEntry;

// For every entry of a file, the other end of its action: for a start the
// nearest later completion or cancellation of the same action id, for the
// others the nearest earlier start; and for a start, the next start of the
// same action id. Ids are those of the entry's own source: in a merged
// file, the same id in two sources never pairs. Built entry by entry in file order, so
// that the entries of a file that grows are added as they come, and each
// answer settles once the entry that gives it has been added.
class PartnerIndex final
{
public:
    PartnerIndex() = default;

    // Adds the next entry; `row` is its entry number, one more than the last.
    void add(const LogFileEntry &entry, int row);
    // Makes room for `rows` entries at once: growing the lists of ten
    // million entries step by step would copy them on the GUI thread.
    void reserve(int rows);
    // Takes the last entry added out again, as if it had never been added:
    // for a record whose action changed when it was continued.
    void removeLast();
    int size() const { return rowCount; }
    // -1 where there is none (yet).
    int nextEndOf(int row) const { return field(row, &ActionRow::nextEnd); }
    int previousStartOf(int row) const { return field(row, &ActionRow::previousStart); }
    // For a start, the nearest later start of the same action id.
    int nextStartOf(int row) const { return field(row, &ActionRow::nextStart); }

private:
    // What is known of a row with an action; rows without one know nothing.
    struct ActionRow
    {
        int nextEnd = -1;
        int previousStart = -1;
        int nextStart = -1;
        // The row of the same action that waited for an end before this one.
        int waitingBefore = -1;
    };
    // The action rows before `row`: where it is among them, if it is one.
    int actionRank(int row) const
    {
        const size_t word = size_t(row) >> 6;
        const quint64 before = actionBits[word] & ((quint64(1) << (row & 63)) - 1);
        return int(rankBefore[word]) + int(qPopulationCount(before));
    }
    bool isActionRow(int row) const { return (actionBits[size_t(row) >> 6] >> (row & 63)) & 1; }
    ActionRow &actionRow(int row) { return actionRows[size_t(actionRank(row))]; }
    int field(int row, int ActionRow::*member) const
    {
        if (row < 0 || row >= rowCount || !isActionRow(row))
            return -1;
        return actionRows[size_t(actionRank(row))].*member;
    }

    struct Ends
    {
        int latestStart = -1;
        // The latest of the action's rows still waiting for a later end;
        // each links to the one before it.
        int waiting = -1;
    };
    Ends &endsOf(int id, int source);

    // A bit per row, set for rows with an action, and per 64 rows the set
    // bits before them: most rows have no action and take no more.
    std::vector<quint64> actionBits;
    std::vector<quint32> rankBefore;
    int rowCount = 0;
    std::vector<ActionRow> actionRows;
    // Action ids are nearly always small counters: those index a vector,
    // the rest a hash.
    std::vector<Ends> denseEnds;
    QHash<int, Ends> sparseEnds;
    // The ids of the sources after the first of a merged file, by source
    // and id.
    QHash<qint64, Ends> otherSourceEnds;
    // What adding the last entry changed, for removeLast().
    struct Undo
    {
        int id = -1; // none: the entry had no action
        int source = 0;
        Ends before;
        std::vector<int> ended; // rows whose next end the entry became
        int restarted = -1; // the start whose next start the entry became
    };
    Undo lastAdd;
};
