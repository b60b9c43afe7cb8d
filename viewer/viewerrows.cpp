#include "viewerrows.h"

#include "logfile.h"
#include "logfileentry.h"
#include "logfileviewer.h"
#include "logrowitem.h"
#include "robotaction.h"

#include <QHash>

#include <cmath>

ViewerRows::~ViewerRows()
{
    qDeleteAll(rows);
}

QList<QTreeWidgetItem *> ViewerRows::takeRows()
{
    QList<QTreeWidgetItem *> taken;
    taken.swap(rows);
    return taken;
}

std::unique_ptr<ViewerRows> ViewerRows::build(const LogFile &file, int budget, const std::atomic<bool> *cancelled,
                                              std::atomic<int> *built)
{
    std::unique_ptr<ViewerRows> result(new ViewerRows);
    result->budget = std::max(budget, 0);
    result->indexPartners(file);

    const auto &entries = file.entries();
    const int count = entries.size();
    result->rows.reserve(count);
    result->hasChildren.assign(size_t(count), false);
    double widest = 0;
    bool tiny = false;
    for (int number = 0; number < count; ++number) {
        if ((number & 0x3fff) == 0) {
            if (cancelled && cancelled->load(std::memory_order_relaxed))
                return nullptr;
            if (built)
                built->store(number, std::memory_order_relaxed);
        }
        const LogFileEntry &entry = *entries.at(number);
        const double magnitude = std::fabs(entry.time());
        if (magnitude > widest)
            widest = magnitude;
        if (magnitude > 0 && magnitude < 1e-4)
            tiny = true;
        const RobotAction *action = entry.action().get();
        const bool children = action && !action->children().isEmpty();
        auto *row = LogRowItem::entryRow(number, children);
        if (children) {
            result->hasChildren[size_t(number)] = true;
            result->addChildActions(row, 1, action->children());
        }
        result->rows.append(row);
    }
    if (built)
        built->store(count, std::memory_order_relaxed);

    // The Time column shows at most 6 significant digits below 1000 s
    // ("123.457", or "1.23457e-05" for tiny times) and every integer digit
    // with three decimals above.
    QString text = LogFileViewer::timeText(std::floor(widest)) + QStringLiteral(".000");
    if (text.size() < 7)
        text = QStringLiteral("000.000");
    if (tiny && text.size() < 11)
        text = QStringLiteral("0.00000e-00");
    result->widestTimeText = text;
    return result;
}

void ViewerRows::indexPartners(const LogFile &file)
{
    const auto &entries = file.entries();
    const int count = entries.size();
    nextEnd.assign(size_t(count), -1);
    previousStart.assign(size_t(count), -1);

    // Latest row per id seen so far: Start rows going forward, Complete and
    // Cancel rows going backward. Each answer is then the value found before
    // the row itself is recorded.
    QHash<int, int> latest;
    for (int row = 0; row < count; ++row) {
        const LogFileEntry &entry = *entries.at(row);
        if (!entry.hasAction())
            continue;
        const int id = entry.action()->id();
        const auto found = latest.constFind(id);
        if (found != latest.constEnd())
            previousStart[size_t(row)] = found.value();
        if (entry.activity() == Start)
            latest.insert(id, row);
    }
    latest.clear();
    for (int row = count - 1; row >= 0; --row) {
        const LogFileEntry &entry = *entries.at(row);
        if (!entry.hasAction())
            continue;
        const int id = entry.action()->id();
        const auto found = latest.constFind(id);
        if (found != latest.constEnd())
            nextEnd[size_t(row)] = found.value();
        if (entry.activity() == Complete || entry.activity() == Cancel)
            latest.insert(id, row);
    }
}

void ViewerRows::addChildActions(QTreeWidgetItem *parent, int depth, const QList<std::shared_ptr<RobotAction>> &children)
{
    for (const auto &child : children) {
        if (subActionRows >= budget) {
            parent->addChild(LogRowItem::omittedRow());
            return;
        }
        ++subActionRows;
        const bool hasChildren = !child->children().isEmpty();
        auto *row = LogRowItem::subActionRow(child.get(), hasChildren);
        // Added before its own children: the item then has no subtree to walk.
        parent->addChild(row);
        if (!hasChildren)
            continue;
        if (depth >= LogFileViewer::maxSubActionDepth)
            row->addChild(LogRowItem::omittedRow());
        else
            addChildActions(row, depth + 1, child->children());
    }
}
