#include "treeviewlayout.h"

#include <QHeaderView>
#include <QTreeView>

#include <private/qabstractitemmodel_p.h>
#include <private/qtreeview_p.h>

#include <cstring>

namespace treeviewlayout {

bool privateStateUsable()
{
    static const bool sameToolkit = std::strcmp(qVersion(), QT_VERSION_STR) == 0;
    return sameToolkit && qgetenv("MIRT_PUBLIC_LAYOUT") != "1";
}

namespace {

QTreeViewPrivate *privateOf(QTreeView *view)
{
    return static_cast<QTreeViewPrivate *>(QObjectPrivate::get(view));
}

const QTreeViewPrivate *privateOf(const QTreeView *view)
{
    return static_cast<const QTreeViewPrivate *>(QObjectPrivate::get(const_cast<QTreeView *>(view)));
}

// The indexes of the view's top-level rows that are expanded.
std::vector<bool> expandedTopLevelRows(const QTreeViewPrivate *d, int count)
{
    std::vector<bool> expanded;
    if (d->expandedIndexes.isEmpty())
        return expanded;
    expanded.assign(size_t(count), false);
    for (const QPersistentModelIndex &index : d->expandedIndexes) {
        if (index.isValid() && !index.parent().isValid() && index.row() < count)
            expanded[size_t(index.row())] = true;
    }
    return expanded;
}

} // namespace

void layOut(QTreeView *view, const std::vector<bool> &hidden, const std::vector<bool> &hasChildren, int rowHeight)
{
    QTreeViewPrivate *d = privateOf(view);
    QAbstractItemModel *model = view->model();

    // What QTreeView::doItemsLayout does before it lays out the rows.
    if (!d->customIndent)
        d->updateIndentationFromStyle();
    if (d->hasRemovedItems) {
        d->hasRemovedItems = false;
        for (auto it = d->expandedIndexes.begin(); it != d->expandedIndexes.end();)
            it = it->isValid() ? std::next(it) : d->expandedIndexes.erase(it);
        for (auto it = d->hiddenIndexes.begin(); it != d->hiddenIndexes.end();)
            it = it->isValid() ? std::next(it) : d->hiddenIndexes.erase(it);
    }
    d->viewItems.clear();

    const QModelIndex root = d->root;
    const int count = model->hasChildren(root) ? model->rowCount(root) : 0;
    if (count > 0) {
        if (d->uniformRowHeights)
            d->defaultItemHeight = rowHeight;
        int shown = 0;
        for (int row = 0; row < count; ++row)
            shown += size_t(row) < hidden.size() && hidden[size_t(row)] ? 0 : 1;
        const std::vector<bool> expanded = expandedTopLevelRows(d, count);

        // As the toolkit's own layout of the top level, with the flags in
        // place of the hidden set; the rows after the one being laid out are
        // not yet set, so an expanded row's children may be written there.
        d->viewItems.resize(shown);
        int last = -1;
        QTreeViewItem *previous = nullptr;
        for (int row = 0; row < count; ++row) {
            if (size_t(row) < hidden.size() && hidden[size_t(row)])
                continue;
            ++last;
            if (previous)
                previous->hasMoreSiblings = true;
            const QModelIndex index = model->index(row, 0, root);
            QTreeViewItem *item = &d->viewItems[last];
            item->index = index;
            item->parentItem = -1;
            item->level = 0;
            item->height = 0;
            item->spanning = !d->spanningIndexes.isEmpty() && view->isFirstColumnSpanned(row, root);
            item->expanded = false;
            item->total = 0;
            item->hasMoreSiblings = false;
            const bool children = size_t(row) < hasChildren.size() && hasChildren[size_t(row)];
            if (children && size_t(row) < expanded.size() && expanded[size_t(row)]) {
                item->expanded = true;
                d->layout(last, false, true);
                item = &d->viewItems[last];
                item->hasChildren = item->total > 0;
                last += int(item->total);
            } else {
                item->hasChildren = children;
            }
            previous = item;
        }
    }
}

void refreshMetrics(QTreeView *view, int rowHeight)
{
    QTreeViewPrivate *d = privateOf(view);
    if (!d->customIndent)
        d->updateIndentationFromStyle();
    if (d->uniformRowHeights && !d->viewItems.isEmpty())
        d->defaultItemHeight = rowHeight;
}

int layoutSize(const QTreeView *view)
{
    return privateOf(view)->viewItems.size();
}

int expandedSetSize(const QTreeView *view)
{
    return privateOf(view)->expandedIndexes.size();
}

bool appendTopLevelRows(QTreeView *view, int first, int last, const std::vector<bool> &hidden,
                        const std::vector<bool> &hasChildren, int rowHeight, int expectedRows)
{
    QTreeViewPrivate *d = privateOf(view);
    if (d->delayedPendingLayout)
        return false;
    if (d->viewItems.capacity() < expectedRows)
        d->viewItems.reserve(expectedRows);
    QAbstractItemModel *model = view->model();
    const QModelIndex root = d->root;
    if (d->uniformRowHeights && d->defaultItemHeight <= 0)
        d->defaultItemHeight = rowHeight;
    // The last top-level row laid out gets a sibling.
    int previous = d->viewItems.size() - 1;
    while (previous >= 0 && d->viewItems.at(previous).level != 0)
        --previous;
    for (int row = first; row <= last; ++row) {
        if (size_t(row) < hidden.size() && hidden[size_t(row)])
            continue;
        if (previous >= 0)
            d->viewItems[previous].hasMoreSiblings = true;
        QTreeViewItem item;
        item.index = model->index(row, 0, root);
        item.parentItem = -1;
        item.level = 0;
        item.spanning = !d->spanningIndexes.isEmpty() && view->isFirstColumnSpanned(row, root);
        item.hasChildren = size_t(row) < hasChildren.size() && hasChildren[size_t(row)];
        d->viewItems.append(item);
        previous = d->viewItems.size() - 1;
    }
    return true;
}

void hideRows(QTreeView *view, const int *rows, int count, bool hide)
{
    QTreeViewPrivate *d = privateOf(view);
    QAbstractItemModel *model = view->model();
    for (int i = 0; i < count; ++i) {
        const QModelIndex index = model->index(rows[i], 0);
        if (hide)
            d->hiddenIndexes.insert(index);
        else if (d->isPersistent(index))
            d->hiddenIndexes.remove(index);
    }
}

void reserveHidden(QTreeView *view, int count)
{
    QTreeViewPrivate *d = privateOf(view);
    const int wanted = d->hiddenIndexes.size() + count;
    d->hiddenIndexes.reserve(wanted);
    auto *model = static_cast<QAbstractItemModelPrivate *>(QObjectPrivate::get(view->model()));
    model->persistent.indexes.reserve(model->persistent.indexes.size() + count);
}

struct HiddenRoom
{
    QSet<QPersistentModelIndex> hidden;
    QMultiHash<QModelIndex, QPersistentModelIndexData *> persistent;
};

std::shared_ptr<HiddenRoom> makeHiddenRoom(int count)
{
    auto room = std::make_shared<HiddenRoom>();
    room->hidden.reserve(count);
    room->persistent.reserve(count);
    return room;
}

namespace {

// Tables this small are copied into the room made elsewhere; larger ones
// grow in place.
constexpr int copiedIntoRoom = 65536;

template <typename Table, typename Insert>
void takeRoom(Table &current, Table &room, int count, Insert insert)
{
    const int wanted = current.size() + count;
    if (current.capacity() >= wanted)
        return;
    if (current.size() > copiedIntoRoom || room.capacity() < wanted) {
        current.reserve(wanted);
        return;
    }
    for (auto it = current.cbegin(); it != current.cend(); ++it)
        insert(room, it);
    current.swap(room);
}

} // namespace

void takeHiddenRoom(QTreeView *view, HiddenRoom &room, int count)
{
    QTreeViewPrivate *d = privateOf(view);
    takeRoom(d->hiddenIndexes, room.hidden, count, [](auto &table, auto it) { table.insert(*it); });
    auto &persistent = static_cast<QAbstractItemModelPrivate *>(QObjectPrivate::get(view->model()))->persistent.indexes;
    // Several entries of one index keep their order only where they are;
    // such a table grows in place.
    if (persistent.size() <= copiedIntoRoom && persistent.uniqueKeys().size() != persistent.size()) {
        persistent.reserve(persistent.size() + count);
        return;
    }
    takeRoom(persistent, room.persistent, count, [](auto &table, auto it) { table.insert(it.key(), it.value()); });
}

int hiddenSetSize(const QTreeView *view)
{
    return privateOf(view)->hiddenIndexes.size();
}

int dropPersistentRows(QTreeView *view, int count)
{
    QTreeViewPrivate *d = privateOf(view);
    for (QSet<QPersistentModelIndex> *set : {&d->hiddenIndexes, &d->expandedIndexes}) {
        auto it = set->begin();
        while (count > 0 && it != set->end()) {
            it = set->erase(it);
            --count;
        }
    }
    return d->hiddenIndexes.size() + d->expandedIndexes.size();
}

bool LaidOutRow::operator==(const LaidOutRow &other) const
{
    return index == other.index && parentItem == other.parentItem && level == other.level && total == other.total
        && expanded == other.expanded && hasChildren == other.hasChildren && hasMoreSiblings == other.hasMoreSiblings;
}

QVector<LaidOutRow> currentLayout(const QTreeView *view)
{
    QVector<LaidOutRow> rows;
    for (const QTreeViewItem &item : privateOf(view)->viewItems) {
        rows.append({item.index, item.parentItem, int(item.level), int(item.total), bool(item.expanded),
                     bool(item.hasChildren), bool(item.hasMoreSiblings)});
    }
    return rows;
}

} // namespace treeviewlayout
