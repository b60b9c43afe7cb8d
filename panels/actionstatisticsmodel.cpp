#include "actionstatisticsmodel.h"

ActionStatisticsModel::ActionStatisticsModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void ActionStatisticsModel::setAnalysis(std::shared_ptr<const ActionAnalysis> analysis)
{
    beginResetModel();
    current = std::move(analysis);
    endResetModel();
}

int ActionStatisticsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !current ? 0 : int(current->statistics.size());
}

int ActionStatisticsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ActionStatisticsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !current || index.row() >= rowCount())
        return QVariant();
    const ActionStatistics &row = current->statistics[size_t(index.row())];
    const auto seconds = [&row](double value) -> QVariant {
        return row.timed > 0 ? QVariant(QString::number(value, 'f', 3)) : QVariant(QString());
    };
    const auto number = [&row](double value) -> QVariant { return row.timed > 0 ? QVariant(value) : QVariant(-1.0); };
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case NameColumn: return row.name;
        case CountColumn: return row.count;
        case CompletedColumn: return row.completed;
        case CancelledColumn: return row.cancelled;
        case NeverEndedColumn: return row.neverEnded;
        case MinimumColumn: return seconds(row.minimum);
        case MedianColumn: return seconds(row.median);
        case P95Column: return seconds(row.p95);
        case MaximumColumn: return seconds(row.maximum);
        default: return QVariant();
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
    static const char *const headers[] = {"Name", "Count", "Completed", "Cancelled", "Never ended",
                                          "Min",  "Median", "P95",      "Max"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(headers[section]) : QVariant();
}
