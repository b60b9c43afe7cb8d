#include "partnerindex.h"

#include "logfileentry.h"
#include "robotaction.h"

#include <algorithm>

namespace {

// Ids up to this many times the entry count, plus some, index the vector.
constexpr int denseIdsPerEntry = 4;
constexpr int denseIdSlack = 1024;

} // namespace

PartnerIndex::Ends &PartnerIndex::endsOf(int id, int source)
{
    if (source != 0)
        return otherSourceEnds[(qint64(source) << 32) | quint32(id)];
    // An id stays where it was first put, though the vector's range grows
    // with the rows.
    if (!sparseEnds.isEmpty()) {
        const auto sparse = sparseEnds.find(id);
        if (sparse != sparseEnds.end())
            return *sparse;
    }
    if (id >= 0 && qint64(id) < qint64(size()) * denseIdsPerEntry + denseIdSlack) {
        // The vector's room grows in steps; only the ends in use are filled.
        if (size_t(id) >= denseEnds.size())
            denseEnds.resize(size_t(id) + 1);
        return denseEnds[size_t(id)];
    }
    return sparseEnds[id];
}

void PartnerIndex::add(const LogFileEntry &entry, int row)
{
    lastAdd = Undo();
    const bool hasAction = entry.hasAction();
    if ((rowCount & 63) == 0) {
        actionBits.push_back(0);
        rankBefore.push_back(quint32(actionRows.size()));
    }
    ++rowCount;
    if (!hasAction)
        return;
    actionBits.back() |= quint64(1) << (row & 63);
    actionRows.emplace_back();
    Ends &ends = endsOf(entry.action()->id(), entry.source());
    lastAdd.id = entry.action()->id();
    lastAdd.source = entry.source();
    lastAdd.before = ends;
    actionRows.back().previousStart = ends.latestStart;
    if (entry.activity() == Start) {
        if (ends.latestStart >= 0) {
            actionRow(ends.latestStart).nextStart = row;
            lastAdd.restarted = ends.latestStart;
        }
        ends.latestStart = row;
    }
    if (entry.activity() == Complete || entry.activity() == Cancel) {
        // Every row of the action since its last end ends here.
        for (int waiting = ends.waiting; waiting >= 0;) {
            ActionRow &waitingRow = actionRow(waiting);
            waitingRow.nextEnd = row;
            lastAdd.ended.push_back(waiting);
            waiting = waitingRow.waitingBefore;
        }
        ends.waiting = -1;
    }
    actionRows.back().waitingBefore = ends.waiting;
    ends.waiting = row;
}

void PartnerIndex::removeLast()
{
    if (rowCount == 0)
        return;
    const int row = rowCount - 1;
    if (isActionRow(row)) {
        if (lastAdd.id >= 0) {
            endsOf(lastAdd.id, lastAdd.source) = lastAdd.before;
            for (const int waiting : lastAdd.ended)
                actionRow(waiting).nextEnd = -1;
            if (lastAdd.restarted >= 0)
                actionRow(lastAdd.restarted).nextStart = -1;
        }
        actionRows.pop_back();
        actionBits.back() &= ~(quint64(1) << (row & 63));
    }
    --rowCount;
    if ((rowCount & 63) == 0) {
        actionBits.pop_back();
        rankBefore.pop_back();
    }
    lastAdd = Undo();
}

void PartnerIndex::reserve(int rows)
{
    const size_t words = (size_t(std::max(rows, 0)) + 63) / 64;
    if (words <= actionBits.capacity())
        return;
    actionBits.reserve(words);
    rankBefore.reserve(words);
    // Room for as many action rows as there are rows: only the pages the
    // action rows fill take memory.
    actionRows.reserve(size_t(rows));
}
