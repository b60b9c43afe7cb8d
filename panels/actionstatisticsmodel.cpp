#include "actionstatisticsmodel.h"

#include "runcolumns.h"

ActionStatisticsModel::ActionStatisticsModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void ActionStatisticsModel::setStatistics(std::vector<ActionStatistics> statistics)
{
    beginResetModel();
    rows = std::move(statistics);
    endResetModel();
}

int ActionStatisticsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows.size());
}

int ActionStatisticsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ActionStatisticsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    const ActionStatistics &row = rows[size_t(index.row())];
    const auto number = [&row](double value) -> QVariant { return row.timed > 0 ? QVariant(value) : QVariant(-1.0); };
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case CountColumn: return row.count;
        case CompletedColumn: return row.completed;
        case CancelledColumn: return row.cancelled;
        case NeverEndedColumn: return row.neverEnded;
        default: return RunColumns::statisticsCellText(row, index.column());
        }
    }
    if (role == Qt::UserRole) {
        switch (index.column()) {
        case NameColumn: return row.name.toLower();
        case MinimumColumn: return number(row.minimum);
        case MedianColumn: return number(row.median);
        case P95Column: return number(row.p95);
        case MaximumColumn: return number(row.maximum);
        default: return data(index, Qt::DisplayRole);
        }
    }
    if (role == Qt::TextAlignmentRole && index.column() != NameColumn)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant();
}

QVariant ActionStatisticsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QStringList headers = RunColumns::statisticsHeaders();
    return section >= 0 && section < headers.size() ? headers[section] : QVariant();
}
