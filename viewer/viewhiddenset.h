#pragma once

#include "backgroundwork.h"

#include <QtGlobal>

#include <functional>

#include <vector>

class QTreeView;

// The view's own record of the top-level rows it hides, brought in line
// with the rows a viewer wants hidden a piece at a time, so that the window
// keeps turning while a million rows change. isRowHidden() and
// QTreeWidgetItem::isHidden() answer from that record, so they are right
// once it is in line.
//
// Where the toolkit's private state may be used (treeviewlayout), the view
// is also laid out from the wanted rows directly, and rows added at the
// end are laid out on their own; otherwise every change goes through
// setRowHidden() and the toolkit lays out as it always does.
class ViewHiddenSet final
{
public:
    explicit ViewHiddenSet(QTreeView *view);
    ~ViewHiddenSet();
    Q_DISABLE_COPY_MOVE(ViewHiddenSet)

    bool usesPrivateState() const { return privateState; }
    void addRows(int count) { viewHidden.resize(viewHidden.size() + size_t(std::max(count, 0)), false); }

    // Starts over bringing the record in line. Room for the rows it is to
    // hide is made first: for many rows on a worker thread, and then
    // `ready` is called, on the view's thread; until then isWaitingForRoom().
    void startSync(const std::vector<bool> &wanted, std::function<void()> ready);
    bool isWaitingForRoom() const { return waitingForRoom; }
    // Brings one piece in line, within a few tens of milliseconds; false
    // once all of it is.
    bool syncStep(const std::vector<bool> &wanted);
    bool isSyncing() const { return position >= 0; }
    void stopSync();
    // Hides or shows these rows at once.
    void apply(const std::vector<int> &rows, bool hide);

    // What the private path does for QTreeView::doItemsLayout(): lays out
    // the rows from `wanted`, or only refreshes the metrics when nothing a
    // layout depends on changed since the last one. `generation` changes
    // whenever the wanted rows do.
    void layOut(const std::vector<bool> &wanted, const std::vector<bool> &hasChildren, int rowHeight,
                quint64 generation, int shownRows);
    // Lays out rows `first` to `last`, just added at the end; false when the
    // view must lay out everything.
    bool appendRows(int first, int last, const std::vector<bool> &wanted, const std::vector<bool> &hasChildren,
                    int rowHeight, int expectedRows, quint64 generation);
    // Removes up to `count` of the view's persistent rows; how many are left.
    int dropPersistentRows(int count);

private:
    struct LayoutSource
    {
        int rows = -1;
        int expanded = -1;
        quint64 generation = 0;
        bool operator==(const LayoutSource &other) const
        {
            return rows == other.rows && expanded == other.expanded && generation == other.generation;
        }
    };
    LayoutSource currentSource(quint64 generation) const;
    // The wanted rows, and rows someone else hid through the view.
    std::vector<bool> effectiveHidden(const std::vector<bool> &wanted) const;
    void change(const int *rows, int count, bool hide);

    QTreeView *view;
    const bool privateState;
    BackgroundWork *work;
    CancelToken roomMade;
    bool waitingForRoom = false;
    // The rows the record holds because this set put them there.
    std::vector<bool> viewHidden;
    int viewHiddenCount = 0;
    int position = -1;
    LayoutSource laidOut;
};
