#pragma once

#include <QModelIndex>
#include <QVector>

#include <memory>
#include <vector>

class QTreeView;

// What a QTreeView does with hidden rows, done for a view whose top-level
// rows are hidden by a flag per row.
//
// The view keeps a persistent index per hidden row and, at every layout,
// looks every row up among them: with most of a million rows hidden, that
// is a second of frozen window per filter. This unit reaches into the
// toolkit's private state of the view (Qt 5.15) to lay the rows out from
// the flags in one pass, and to change the view's hidden set a piece at a
// time, so that the window keeps turning while the set is brought in line.
// isRowHidden() and QTreeWidgetItem::isHidden() answer from that set, so
// they are right once it is complete.
namespace treeviewlayout {

// Whether this unit may touch the view's private state: only when the
// toolkit that runs is the very version the program was built against
// (a distribution's update could change that state's layout without any
// build error), and the environment does not ask for the public path
// (MIRT_PUBLIC_LAYOUT=1). Otherwise the viewer keeps to public calls:
// slower with large filtered files, with the same rows.
bool privateStateUsable();

// Lays out `view` as QTreeView::doItemsLayout() does before it updates the
// geometry, with top-level row i hidden when hidden[i] is set and given
// visible sub-rows when hasChildren[i] is set; rows past the end of the
// vectors are shown and childless. `rowHeight` is the view's
// indexRowSizeHint() of its first row, for views of uniform row heights.
void layOut(QTreeView *view, const std::vector<bool> &hidden, const std::vector<bool> &hasChildren, int rowHeight);

// What QTreeView::doItemsLayout() does besides laying out the rows: the row
// height and indentation that a new style or font may change.
void refreshMetrics(QTreeView *view, int rowHeight);
// Rows in the view's layout, and entries in its expanded set.
int layoutSize(const QTreeView *view);
int expandedSetSize(const QTreeView *view);

// Adds top-level rows first to last, just inserted at the end of the
// model, to the view's layout, instead of laying out every row again.
// Returns false, changing nothing, when the view has a full layout pending.
// `expectedRows` makes room for the rows still to come at once.
bool appendTopLevelRows(QTreeView *view, int first, int last, const std::vector<bool> &hidden,
                        const std::vector<bool> &hasChildren, int rowHeight, int expectedRows);

// Adds the top-level rows `rows` to the view's hidden set, or removes them.
void hideRows(QTreeView *view, const int *rows, int count, bool hide);
// Room in the view's hidden set for `count` more rows.
void reserveHidden(QTreeView *view, int count);
// The same room, made on any thread: the tables of millions of slots that
// the hidden set and the model's persistent indexes need are filled there,
// and takeHiddenRoom() hands them to the view on its own thread. Room taken
// when the view's tables are already large is made in place, as
// reserveHidden() does.
struct HiddenRoom;
std::shared_ptr<HiddenRoom> makeHiddenRoom(int count);
void takeHiddenRoom(QTreeView *view, HiddenRoom &room, int count);
int hiddenSetSize(const QTreeView *view);
// Removes up to `count` entries from the view's hidden and expanded sets;
// returns how many are left.
int dropPersistentRows(QTreeView *view, int count);

// One row of a view's layout, for comparing layouts in tests.
struct LaidOutRow
{
    QModelIndex index;
    int parentItem;
    int level;
    int total;
    bool expanded;
    bool hasChildren;
    bool hasMoreSiblings;
    bool operator==(const LaidOutRow &other) const;
};
QVector<LaidOutRow> currentLayout(const QTreeView *view);

} // namespace treeviewlayout
