#pragma once

#include "actionoccurrences.h"

#include <QAbstractTableModel>

#include <vector>

// One row per action name: how often it ran, how its runs ended, and the
// least, median, 95th-percentile and greatest duration of the runs that
// ended. Sorted through a QSortFilterProxyModel on Qt::UserRole, which holds
// each cell's value as a number where it is one.
class ActionStatisticsModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { NameColumn, CountColumn, CompletedColumn, CancelledColumn, NeverEndedColumn, MinimumColumn,
                  MedianColumn, P95Column, MaximumColumn, ColumnCount };

    explicit ActionStatisticsModel(QObject *parent = nullptr);

    void setStatistics(std::vector<ActionStatistics> statistics);
    const std::vector<ActionStatistics> &statistics() const { return rows; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<ActionStatistics> rows;
};
