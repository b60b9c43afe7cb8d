#pragma once

#include "actionoccurrences.h"
#include "runtexts.h"

#include <QWidget>

#include <memory>
#include <vector>

class ActionStatisticsModel;
class ActionTableModel;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTabWidget;
class QTableView;

// The actions of one file: a table of its action runs (`actionTable`), a
// table of statistics per action name (`actionStatistics`), and above them
// the controls that choose the runs: the narrowing words
// (`actionNarrowing`), "Only failures" (`onlyFailures`), "Only rows shown"
// (`statisticsFollowFilter`: only the runs whose start record the tab's
// filter shows, in both tables) and "Export CSV..." (`exportCsv`).
// Choosing a run chooses its start record; double-clicking it opens its
// details, double-clicking its cause chooses the cause's record;
// double-clicking a statistics row narrows the runs to that name. The
// chosen run stays chosen and in view whatever the tables show.
class ActionsPanel final : public QWidget
{
    Q_OBJECT

public:
    explicit ActionsPanel(QWidget *parent = nullptr);

    void setAnalysis(std::shared_ptr<const ActionAnalysis> analysis, std::shared_ptr<const RunTexts> texts);
    // Per entry, whether the tab's filter hides it.
    void setHiddenRows(std::vector<bool> hidden);
    // Selects, without choosing anything, the run whose start or end record
    // is entry `row`.
    void showRunOf(int row);
    // Narrows the runs to those of exactly this action name.
    void narrowToName(const QString &name);
    // Writes the rows of the table shown (actions or statistics) to `path`
    // in the background; the result comes as a statusMessage.
    void exportCsvTo(const QString &path);
    // The rows of the table shown that are selected, as tab-separated text
    // with a header line; what Ctrl+C copies.
    QString selectedText() const;

    QTableView *table() const { return tableView; }
    QTableView *statisticsTable() const { return statisticsView; }
    QLineEdit *narrowingLine() const { return narrowing; }
    ActionTableModel *tableModel() const { return runs; }
    ActionStatisticsModel *statisticsModel() const { return statistics; }
    // The run chosen in the table; -1 for none.
    int selectedRun() const { return chosenRun; }

signals:
    // A run was chosen: its start record, or its end without a start.
    void recordChosen(int row);
    // The cause of a run was double-clicked: that record.
    void causeChosen(int row);
    // The run chosen in the table, whoever chose it; -1 for none.
    void runSelected(int run);
    // Per run, whether the table keeps it.
    void shownRunsChanged(const std::vector<bool> &shown);
    // The tab is asked to apply this filter.
    void filterRequested(const QString &filter);
    // Something for the status line.
    void statusMessage(const QString &text);

private:
    void buildControls();
    void connectTables();
    void updateQuery();
    void narrowingChanged(const QString &text);
    void runChosen(const QModelIndex &current);
    void rowsReplaced();
    void doubleClicked(const QModelIndex &index);
    void openRunDetails(int run);
    void showTableMenu(QTableView *view, const QPoint &position);
    void copySelected();
    void fitColumns();
    QTableView *shownTable() const;

    ActionTableModel *runs = nullptr;
    ActionStatisticsModel *statistics = nullptr;
    QSortFilterProxyModel *statisticsSorter = nullptr;
    QLineEdit *narrowing = nullptr;
    QCheckBox *failuresOnly = nullptr;
    QCheckBox *followFilter = nullptr;
    QPushButton *exportButton = nullptr;
    QTabWidget *pages = nullptr;
    QTableView *tableView = nullptr;
    QTableView *statisticsView = nullptr;
    std::shared_ptr<const std::vector<bool>> hiddenRows;
    // The exact name a statistics row narrowed to, while the narrowing
    // text is still the one it wrote.
    QString exactName;
    int chosenRun = -1;
    bool showing = false;
};
