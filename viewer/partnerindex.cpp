#include "partnerindex.h"

#include "logfileentry.h"
#include "robotaction.h"

namespace {

// Ids up to this many times the entry count, plus some, index the vector.
constexpr int denseIdsPerEntry = 4;
constexpr int denseIdSlack = 1024;

} // namespace

PartnerIndex::Ends &PartnerIndex::endsOf(int id)
{
    // An id stays where it was first put, though the vector's range grows
    // with the rows.
    if (!sparseEnds.isEmpty()) {
        const auto sparse = sparseEnds.find(id);
        if (sparse != sparseEnds.end())
            return *sparse;
    }
    if (id >= 0 && qint64(id) < qint64(size()) * denseIdsPerEntry + denseIdSlack) {
        if (size_t(id) >= denseEnds.size())
            denseEnds.resize(std::max(size_t(id) + 1, denseEnds.size() * 2));
        return denseEnds[size_t(id)];
    }
    return sparseEnds[id];
}

void PartnerIndex::add(const LogFileEntry &entry, int row)
{
    nextEnd.push_back(-1);
    previousStart.push_back(-1);
    nextStart.push_back(-1);
    waitingBefore.push_back(-1);
    lastAdd = Undo();
    if (!entry.hasAction())
        return;
    Ends &ends = endsOf(entry.action()->id());
    lastAdd.id = entry.action()->id();
    lastAdd.before = ends;
    previousStart[size_t(row)] = ends.latestStart;
    if (entry.activity() == Start) {
        if (ends.latestStart >= 0) {
            nextStart[size_t(ends.latestStart)] = row;
            lastAdd.restarted = ends.latestStart;
        }
        ends.latestStart = row;
    }
    if (entry.activity() == Complete || entry.activity() == Cancel) {
        // Every row of the action since its last end ends here.
        for (int waiting = ends.waiting; waiting >= 0; waiting = waitingBefore[size_t(waiting)]) {
            nextEnd[size_t(waiting)] = row;
            lastAdd.ended.push_back(waiting);
        }
        ends.waiting = -1;
    }
    waitingBefore[size_t(row)] = ends.waiting;
    ends.waiting = row;
}

void PartnerIndex::removeLast()
{
    if (nextEnd.empty())
        return;
    if (lastAdd.id >= 0 || !lastAdd.ended.empty()) {
        endsOf(lastAdd.id) = lastAdd.before;
        for (const int waiting : lastAdd.ended)
            nextEnd[size_t(waiting)] = -1;
        if (lastAdd.restarted >= 0)
            nextStart[size_t(lastAdd.restarted)] = -1;
    }
    nextEnd.pop_back();
    previousStart.pop_back();
    nextStart.pop_back();
    waitingBefore.pop_back();
    lastAdd = Undo();
}

void PartnerIndex::reserve(int rows)
{
    if (rows <= int(nextEnd.capacity()))
        return;
    for (std::vector<int> *list : {&nextEnd, &previousStart, &nextStart, &waitingBefore})
        list->reserve(size_t(rows));
}
