#pragma once

#include <QHash>

#include <vector>

class LogFileEntry;

// For every entry of a file, the other end of its action: for a start the
// nearest later completion or cancellation of the same action id, for the
// others the nearest earlier start; and for a start, the next start of the
// same action id. Built entry by entry in file order, so
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
    int size() const { return int(nextEnd.size()); }

    // -1 where there is none (yet).
    int nextEndOf(int row) const { return row >= 0 && row < size() ? nextEnd[size_t(row)] : -1; }
    int previousStartOf(int row) const { return row >= 0 && row < size() ? previousStart[size_t(row)] : -1; }
    // For a start, the nearest later start of the same action id.
    int nextStartOf(int row) const { return row >= 0 && row < size() ? nextStart[size_t(row)] : -1; }

private:
    struct Ends
    {
        int latestStart = -1;
        // The latest of the action's rows still waiting for a later end;
        // each links to the one before it.
        int waiting = -1;
    };
    Ends &endsOf(int id);

    std::vector<int> nextEnd;
    std::vector<int> previousStart;
    std::vector<int> nextStart;
    std::vector<int> waitingBefore;
    // Action ids are nearly always small counters: those index a vector,
    // the rest a hash.
    std::vector<Ends> denseEnds;
    QHash<int, Ends> sparseEnds;
    // What adding the last entry changed, for removeLast().
    struct Undo
    {
        int id = -1; // none: the entry had no action
        Ends before;
        std::vector<int> ended; // rows whose next end the entry became
        int restarted = -1; // the start whose next start the entry became
    };
    Undo lastAdd;
};
