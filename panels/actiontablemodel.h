#pragma once

#include "actionoccurrences.h"
#include "backgroundwork.h"
#include "runcolumns.h"
#include "runquery.h"
#include "runtexts.h"

#include <QAbstractTableModel>

#include <memory>
#include <vector>

// The action runs a RunQuery keeps, one row each, in its order: id, name,
// arguments, subsystem, start and end times, duration, outcome, number of
// sub-actions and, for a run that failed, the message of the record that
// explains it. A query over many runs is answered off the GUI thread; the
// rows change at once when the answer comes, and rowsReplaced says so.
// Sorting by a header asks a query too.
class ActionTableModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { IdColumn = RunColumns::Id, NameColumn, ArgumentsColumn, SubsystemColumn, StartColumn, EndColumn,
                  DurationColumn, OutcomeColumn, SubActionsColumn, CauseColumn, SourceColumn, ColumnCount };
    // Up to this many runs a query is answered at once.
    static constexpr int inlineRuns = 20000;

    explicit ActionTableModel(QObject *parent = nullptr);
    ~ActionTableModel() override;
    Q_DISABLE_COPY_MOVE(ActionTableModel)

    void setAnalysis(std::shared_ptr<const ActionAnalysis> analysis, std::shared_ptr<const RunTexts> texts);
    const ActionAnalysis *analysis() const { return current.get(); }
    const RunTexts *texts() const { return runTexts.get(); }
    std::shared_ptr<const ActionAnalysis> sharedAnalysis() const { return current; }
    std::shared_ptr<const RunTexts> sharedTexts() const { return runTexts; }

    const RunQuery &query() const { return asked; }
    void setQuery(RunQuery query);
    // Whether a query is being answered.
    bool isSelecting() const { return selecting; }

    // The run shown in `row`, and the row of `run` (-1 when not shown).
    int runAt(int row) const { return shown[size_t(row)]; }
    int rowOf(int run) const;
    const std::vector<int> &shownRuns() const { return shown; }
    const ActionOccurrence &occurrence(int row) const { return current->occurrences[size_t(runAt(row))]; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order) override;

signals:
    // The rows are those of the latest query.
    void rowsReplaced();
    // The statistics of the runs the query's filter keeps changed.
    void statisticsChanged(const std::vector<ActionStatistics> &statistics);

private:
    struct Answer
    {
        std::vector<int> runs;
        bool withStatistics = false;
        std::vector<ActionStatistics> statistics;
    };
    static Answer answer(const ActionAnalysis &analysis, const RunTexts &texts, const RunQuery &query,
                         bool withStatistics, const std::atomic<bool> *cancelled);
    void take(Answer answer);

    std::shared_ptr<const ActionAnalysis> current;
    std::shared_ptr<const RunTexts> runTexts;
    RunQuery asked;
    std::vector<int> shown;
    // Per run, its row; -1 for runs not shown.
    std::vector<int> rowOfRun;
    BackgroundWork work;
    CancelToken pending;
    bool selecting = false;
    // The statistics wait for a query that counts them.
    bool statisticsStale = true;
};
