#include "viewhiddenset.h"

#include "treeviewlayout.h"

#include <QTreeView>

#include <algorithm>

namespace {

// Changes to the view's record per piece, and rows looked at per piece:
// each piece takes a few tens of milliseconds.
constexpr int changesPerPiece = 40000;
constexpr int rowsScannedPerPiece = 2000000;

} // namespace

ViewHiddenSet::ViewHiddenSet(QTreeView *view)
    : view(view)
    , privateState(treeviewlayout::privateStateUsable())
{
}

void ViewHiddenSet::startSync(const std::vector<bool> &wanted)
{
    position = 0;
    if (!privateState)
        return;
    int toHide = 0;
    for (size_t row = 0; row < std::min(wanted.size(), viewHidden.size()); ++row)
        toHide += wanted[row] && !viewHidden[row] ? 1 : 0;
    // Made once: growing the set a piece at a time would rebuild it again
    // and again.
    if (toHide > 0)
        treeviewlayout::reserveHidden(view, toHide);
}

bool ViewHiddenSet::syncStep(const std::vector<bool> &wanted)
{
    if (position < 0)
        return false;
    const int count = int(std::min(wanted.size(), viewHidden.size()));
    std::vector<int> hide;
    std::vector<int> show;
    int row = position;
    const int scanEnd = int(std::min<qint64>(count, qint64(row) + rowsScannedPerPiece));
    for (; row < scanEnd && int(hide.size() + show.size()) < changesPerPiece; ++row) {
        if (wanted[size_t(row)] != viewHidden[size_t(row)])
            (wanted[size_t(row)] ? hide : show).push_back(row);
    }
    apply(hide, true);
    apply(show, false);
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
