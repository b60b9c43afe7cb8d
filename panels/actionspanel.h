#pragma once

#include "actionoccurrences.h"

#include <QWidget>

#include <memory>

class ActionFilterModel;
class ActionStatisticsModel;
class ActionTableModel;
class LogFile;
class QLineEdit;
class QSortFilterProxyModel;
class QTabWidget;
class QTableView;

// The actions of one file: a table of its action runs (`actionTable`), a
// table of statistics per action name (`actionStatistics`), and a line that
// narrows the runs. Choosing a run chooses its start record; choosing a
// statistics row narrows the runs to that name.
class ActionsPanel final : public QWidget
{
    Q_OBJECT

public:
    explicit ActionsPanel(QWidget *parent = nullptr);

    void setAnalysis(std::shared_ptr<const ActionAnalysis> analysis, std::shared_ptr<LogFile> file);
    // Selects, without choosing anything, the run whose start or end record
    // is entry `row`.
    void showRunOf(int row);
    // Narrows the runs to those of exactly this action name.
    void narrowToName(const QString &name);

    QTableView *table() const { return tableView; }
    QTableView *statisticsTable() const { return statisticsView; }
    QLineEdit *narrowingLine() const { return narrowing; }
    ActionTableModel *tableModel() const { return runs; }

signals:
    // A run was chosen: its start record, or its end without a start.
    void recordChosen(int row);
    // The cause of a run was double-clicked: that record.
    void causeChosen(int row);

private:
    void runChosen(const QModelIndex &current);

    ActionTableModel *runs = nullptr;
    ActionFilterModel *runFilter = nullptr;
    ActionStatisticsModel *statistics = nullptr;
    QSortFilterProxyModel *statisticsSorter = nullptr;
    QLineEdit *narrowing = nullptr;
    QTabWidget *pages = nullptr;
    QTableView *tableView = nullptr;
    QTableView *statisticsView = nullptr;
    bool showing = false;
};
