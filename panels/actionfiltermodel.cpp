#include "actionfiltermodel.h"

#include "actiontablemodel.h"
#include "robotaction.h"

ActionFilterModel::ActionFilterModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{
}

void ActionFilterModel::setSourceModel(QAbstractItemModel *model)
{
    table = qobject_cast<const ActionTableModel *>(model);
    QSortFilterProxyModel::setSourceModel(model);
}

void ActionFilterModel::setNarrowing(const QString &text)
{
    if (text == narrowing)
        return;
    narrowing = text;
    invalidateFilter();
}

void ActionFilterModel::setName(const QString &exact)
{
    if (exact == name)
        return;
    name = exact;
    invalidateFilter();
}

bool ActionFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (!table || sourceParent.isValid())
        return true;
    const ActionOccurrence &run = table->occurrence(sourceRow);
    if (!name.isEmpty() && table->name(sourceRow) != name)
        return false;
    if (narrowing.isEmpty())
        return true;
    return table->name(sourceRow).contains(narrowing, Qt::CaseInsensitive)
        || table->arguments(sourceRow).contains(narrowing, Qt::CaseInsensitive)
        || ActionOccurrence::outcomeText(run.outcome).contains(narrowing, Qt::CaseInsensitive);
}

bool ActionFilterModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    if (!table)
        return QSortFilterProxyModel::lessThan(left, right);
    const ActionOccurrence &a = table->occurrence(left.row());
    const ActionOccurrence &b = table->occurrence(right.row());
    // Missing values (no start, no end, no duration) sort before all others.
    const auto byValue = [](bool hasA, double valueA, bool hasB, double valueB) {
        if (hasA != hasB)
            return !hasA;
        return hasA && valueA < valueB;
    };
    switch (left.column()) {
    case ActionTableModel::IdColumn:
        return a.id < b.id;
    case ActionTableModel::StartColumn:
        return byValue(a.startRow >= 0, a.startTime, b.startRow >= 0, b.startTime);
    case ActionTableModel::EndColumn:
        return byValue(a.endRow >= 0, a.endTime, b.endRow >= 0, b.endTime);
    case ActionTableModel::DurationColumn:
        return byValue(a.hasDuration(), a.duration(), b.hasDuration(), b.duration());
    case ActionTableModel::OutcomeColumn:
        return a.outcome < b.outcome;
    case ActionTableModel::SubActionsColumn:
        return (a.action ? a.action->children().size() : 0) < (b.action ? b.action->children().size() : 0);
    case ActionTableModel::NameColumn:
        return table->name(left.row()).compare(table->name(right.row()), Qt::CaseInsensitive) < 0;
    case ActionTableModel::ArgumentsColumn:
        return table->arguments(left.row()).compare(table->arguments(right.row()), Qt::CaseInsensitive) < 0;
    case ActionTableModel::SubsystemColumn:
        return a.subsystem.compare(b.subsystem, Qt::CaseInsensitive) < 0;
    default:
        return table->cause(left.row()).compare(table->cause(right.row()), Qt::CaseInsensitive) < 0;
    }
}
