#include "viewerrows.h"

#include "logfile.h"
#include "logfileentry.h"
#include "logfileviewer.h"
#include "logrowitem.h"
#include "robotaction.h"

#include <QHash>

#include <algorithm>
#include <cmath>

ViewerRows::~ViewerRows()
{
    qDeleteAll(rows);
}

RowPiece::~RowPiece()
{
    qDeleteAll(rows);
}

QList<QTreeWidgetItem *> ViewerRows::takeRows()
{
    QList<QTreeWidgetItem *> taken;
    taken.swap(rows);
    takenEntries = builtEntries;
    return taken;
}

std::shared_ptr<RowPiece> ViewerRows::takePiece()
{
    auto piece = std::make_shared<RowPiece>();
    piece->first = takenEntries;
    piece->hasChildren.assign(hasChildren.begin() + long(takenEntries - firstEntry), hasChildren.end());
    piece->rows = takeRows();
    return piece;
}

namespace {

// The sub-action rows below `children`, counted as far as `limit`.
qint64 countSubRows(const QList<const RobotAction *> &children, int depth, qint64 limit)
{
    qint64 count = 0;
    for (const auto &child : children) {
        if (count > limit)
            break;
        ++count;
        if (!child->children().isEmpty() && depth < LogFileViewer::maxSubActionDepth)
            count += countSubRows(child->children(), depth + 1, limit - count);
    }
    return count;
}

} // namespace

std::unique_ptr<ViewerRows> ViewerRows::build(const LogFile &file, int budget, const std::atomic<bool> *cancelled,
                                              std::atomic<int> *built)
{
    std::unique_ptr<ViewerRows> result = start();
    if (!result->finish(file, budget, cancelled, built))
        return nullptr;
    return result;
}

std::unique_ptr<ViewerRows> ViewerRows::start(bool indexPartners)
{
    std::unique_ptr<ViewerRows> rows(new ViewerRows);
    rows->indexPartners = indexPartners;
    return rows;
}

std::unique_ptr<ViewerRows> ViewerRows::resume(int entries, int subActionRows)
{
    std::unique_ptr<ViewerRows> rows(new ViewerRows);
    rows->builtEntries = rows->takenEntries = rows->firstEntry = std::max(entries, 0);
    rows->subActionRows = std::max(subActionRows, 0);
    rows->boundedOnly = false;
    return rows;
}

void ViewerRows::addRows(const LogFile &file)
{
    const auto &entries = file.entries();
    const int least = LogFileViewer::minSubActionBudget;
    while (boundedOnly && builtEntries < entries.size()) {
        const RobotAction *action = entries.at(builtEntries)->action();
        if (action && !action->children().isEmpty()
            && subActionRows + countSubRows(action->children(), 1, least - subActionRows) > least) {
            boundedOnly = false;
            return;
        }
        addRow(file, builtEntries, least);
    }
}

bool ViewerRows::finish(const LogFile &file, int budget, const std::atomic<bool> *cancelled,
                        std::atomic<int> *built)
{
    const int count = file.entries().size();
    rows.reserve(count - builtEntries);
    while (builtEntries < count) {
        if ((builtEntries & 0x3fff) == 0) {
            if (cancelled && cancelled->load(std::memory_order_relaxed))
                return false;
            if (built)
                built->store(builtEntries, std::memory_order_relaxed);
        }
        addRow(file, builtEntries, std::max(budget, 0));
    }
    if (built)
        built->store(count, std::memory_order_relaxed);

    // The Time column shows at most 6 significant digits below 1000 s
    // ("123.457", or "1.23457e-05" for tiny times) and every integer digit
    // with three decimals above.
    QString text = LogFileViewer::timeText(std::floor(widestTime)) + QStringLiteral(".000");
    if (text.size() < 7)
        text = QStringLiteral("000.000");
    if (tinyTime && text.size() < 11)
        text = QStringLiteral("0.00000e-00");
    widestTimeText = text;
    return true;
}

void ViewerRows::addRow(const LogFile &file, int number, int budget)
{
    const LogFileEntry &entry = *file.entries().at(number);
    const double magnitude = std::fabs(entry.time());
    if (magnitude > widestTime)
        widestTime = magnitude;
    if (magnitude > 0 && magnitude < 1e-4)
        tinyTime = true;
    const RobotAction *action = entry.action();
    typesSeen |= 1u << std::clamp(int(entry.type()), 0, 4);
    if (action)
        activitiesSeen |= 1u << std::clamp(int(entry.activity()), 0, 3);
    const bool children = action && !action->children().isEmpty();
    auto *row = LogRowItem::entryRow(number, children);
    if (children)
        addChildActions(row, 1, action->children(), budget);
    hasChildren.push_back(children);
    rows.append(row);
    if (indexPartners)
        partners.add(entry, number);
    ++builtEntries;
}

void ViewerRows::addChildActions(QTreeWidgetItem *parent, int depth, const QList<const RobotAction *> &children,
                                 int budget)
{
    for (const auto &child : children) {
        if (subActionRows >= budget) {
            parent->addChild(LogRowItem::omittedRow());
            return;
        }
        ++subActionRows;
        const bool hasChildren = !child->children().isEmpty();
        auto *row = LogRowItem::subActionRow(child, hasChildren);
        // Added before its own children: the item then has no subtree to walk.
        parent->addChild(row);
        if (!hasChildren)
            continue;
        if (depth >= LogFileViewer::maxSubActionDepth)
            row->addChild(LogRowItem::omittedRow());
        else
            addChildActions(row, depth + 1, child->children(), budget);
    }
}

bool ViewerRows::rebuildSubRows(QTreeWidgetItem *row, const LogFile &file, int number, int budget)
{
    // The rows it had are no longer counted.
    std::vector<QTreeWidgetItem *> below(1, row);
    for (size_t i = 0; i < below.size(); ++i) {
        for (int child = 0; child < below[i]->childCount(); ++child) {
            QTreeWidgetItem *item = below[i]->child(child);
            below.push_back(item);
            if (item->type() == LogRowItem::SubActionRow)
                --subActionRows;
        }
    }
    qDeleteAll(row->takeChildren());
    const RobotAction *action = file.entries().at(number)->action();
    const bool children = action && !action->children().isEmpty();
    if (children)
        addChildActions(row, 1, action->children(), budget);
    row->setFlags(children ? row->flags() & ~Qt::ItemNeverHasChildren : row->flags() | Qt::ItemNeverHasChildren);
    return children;
}
