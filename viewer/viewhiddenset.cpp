#include "viewhiddenset.h"

#include "treeviewlayout.h"

#include <QElapsedTimer>
#include <QTreeView>

#include <algorithm>

namespace {

// A piece of the work on the view's record ends once it took this long,
// looked at as often as `changesPerBatch` changes are made; and it looks at
// no more rows than this.
constexpr qint64 pieceNanoseconds = 20000000;
constexpr int changesPerBatch = 2048;
constexpr int rowsScannedPerPiece = 2000000;
// Room for fewer rows than this is made at once, on the view's thread.
constexpr int roomMadeElsewhere = 100000;

} // namespace

ViewHiddenSet::ViewHiddenSet(QTreeView *view)
    : view(view)
    , privateState(treeviewlayout::privateStateUsable())
    , work(new BackgroundWork(view))
{
}

ViewHiddenSet::~ViewHiddenSet()
{
    roomMade.cancel();
}

void ViewHiddenSet::stopSync()
{
    position = -1;
    waitingForRoom = false;
    roomMade.cancel();
}

void ViewHiddenSet::startSync(const std::vector<bool> &wanted, std::function<void()> ready)
{
    stopSync();
    position = 0;
    if (!privateState)
        return;
    int toHide = 0;
    for (size_t row = 0; row < std::min(wanted.size(), viewHidden.size()); ++row)
        toHide += wanted[row] && !viewHidden[row] ? 1 : 0;
    // Made once: growing the set a piece at a time would rebuild it again
    // and again.
    if (toHide < roomMadeElsewhere) {
        if (toHide > 0)
            treeviewlayout::reserveHidden(view, toHide);
        return;
    }
    waitingForRoom = true;
    roomMade = work->run([toHide](const CancelToken &) { return treeviewlayout::makeHiddenRoom(toHide); },
                         [this, toHide, ready = std::move(ready)](std::shared_ptr<treeviewlayout::HiddenRoom> room) {
                             waitingForRoom = false;
                             // The tables the room keeps afterwards are small
                             // or empty, and freed here.
                             treeviewlayout::takeHiddenRoom(view, *room, toHide);
                             ready();
                         });
}

bool ViewHiddenSet::syncStep(const std::vector<bool> &wanted)
{
    if (position < 0)
        return false;
    if (waitingForRoom)
        return true;
    QElapsedTimer clock;
    clock.start();
    const int count = int(std::min(wanted.size(), viewHidden.size()));
    std::vector<int> hide;
    std::vector<int> show;
    int row = position;
    const int scanEnd = int(std::min<qint64>(count, qint64(row) + rowsScannedPerPiece));
    while (row < scanEnd && clock.nsecsElapsed() < pieceNanoseconds) {
        hide.clear();
        show.clear();
        for (; row < scanEnd && int(hide.size() + show.size()) < changesPerBatch; ++row) {
            if (wanted[size_t(row)] != viewHidden[size_t(row)])
                (wanted[size_t(row)] ? hide : show).push_back(row);
        }
        apply(hide, true);
        apply(show, false);
    }
    position = row < count ? row : -1;
    return position >= 0;
}

void ViewHiddenSet::apply(const std::vector<int> &rows, bool hide)
{
    if (rows.empty())
        return;
    change(rows.data(), int(rows.size()), hide);
    for (const int row : rows) {
        if (size_t(row) >= viewHidden.size())
            viewHidden.resize(size_t(row) + 1, false);
        if (viewHidden[size_t(row)] != hide)
            viewHiddenCount += hide ? 1 : -1;
        viewHidden[size_t(row)] = hide;
    }
}

void ViewHiddenSet::change(const int *rows, int count, bool hide)
{
    if (privateState) {
        treeviewlayout::hideRows(view, rows, count, hide);
        return;
    }
    for (int i = 0; i < count; ++i)
        view->setRowHidden(rows[i], QModelIndex(), hide);
}

ViewHiddenSet::LayoutSource ViewHiddenSet::currentSource(quint64 generation) const
{
    return {view->model()->rowCount(), treeviewlayout::expandedSetSize(view), generation};
}

std::vector<bool> ViewHiddenSet::effectiveHidden(const std::vector<bool> &wanted) const
{
    // The view's hidden set may also hold rows someone else hid; those are
    // looked up, among the rows shown, only when the set holds more than
    // this one put there.
    if (treeviewlayout::hiddenSetSize(view) == viewHiddenCount)
        return wanted;
    std::vector<bool> hidden = wanted;
    const int count = view->model()->rowCount();
    hidden.resize(size_t(count), false);
    for (int row = 0; row < count; ++row) {
        const bool ours = size_t(row) < viewHidden.size() && viewHidden[size_t(row)];
        if (!hidden[size_t(row)] && !ours && view->isRowHidden(row, QModelIndex()))
            hidden[size_t(row)] = true;
    }
    return hidden;
}

void ViewHiddenSet::layOut(const std::vector<bool> &wanted, const std::vector<bool> &hasChildren, int rowHeight,
                           quint64 generation, int shownRows)
{
    const LayoutSource source = currentSource(generation);
    // A style change or a font asks for a layout as well; when the rows are
    // the same, only the metrics are new.
    if (source == laidOut && treeviewlayout::hiddenSetSize(view) == viewHiddenCount
        && (treeviewlayout::layoutSize(view) > 0 || shownRows == 0)) {
        treeviewlayout::refreshMetrics(view, rowHeight);
        return;
    }
    treeviewlayout::layOut(view, effectiveHidden(wanted), hasChildren, rowHeight);
    laidOut = source;
}

bool ViewHiddenSet::appendRows(int first, int last, const std::vector<bool> &wanted,
                               const std::vector<bool> &hasChildren, int rowHeight, int expectedRows,
                               quint64 generation)
{
    // Rows added at the end are laid out on their own: laying out a million
    // rows again for every piece that comes in would freeze the window.
    if (!privateState || treeviewlayout::hiddenSetSize(view) != viewHiddenCount)
        return false;
    const bool current = laidOut == LayoutSource{first, treeviewlayout::expandedSetSize(view), generation}
        || (first == 0 && treeviewlayout::layoutSize(view) == 0);
    if (!current
        || !treeviewlayout::appendTopLevelRows(view, first, last, wanted, hasChildren, rowHeight, expectedRows))
        return false;
    laidOut = currentSource(generation);
    return true;
}

int ViewHiddenSet::dropPersistentRows(int count)
{
    return privateState ? treeviewlayout::dropPersistentRows(view, count) : 0;
}
