#include "actionspanel.h"

#include "actionfiltermodel.h"
#include "actionstatisticsmodel.h"
#include "actiontablemodel.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QTableView *makeTable(QWidget *parent, const QString &name)
{
    auto *view = new QTableView(parent);
    view->setObjectName(name);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    // One line a row, measured once: a hundred thousand rows then cost
    // nothing to lay out.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    view->horizontalHeader()->setStretchLastSection(true);
    // Unsorted, in the order of the file, until a header is clicked.
    view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    view->setSortingEnabled(true);
    return view;
}

} // namespace

ActionsPanel::ActionsPanel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("actionsPanel"));
    runs = new ActionTableModel(this);
    runFilter = new ActionFilterModel(this);
    runFilter->setSourceModel(runs);
    statistics = new ActionStatisticsModel(this);
    statisticsSorter = new QSortFilterProxyModel(this);
    statisticsSorter->setSourceModel(statistics);
    statisticsSorter->setSortRole(Qt::UserRole);

    narrowing = new QLineEdit(this);
    narrowing->setObjectName(QStringLiteral("actionNarrowing"));
    narrowing->setPlaceholderText(tr("Narrow: name, arguments or outcome"));
    narrowing->setClearButtonEnabled(true);
    connect(narrowing, &QLineEdit::textEdited, this, [this](const QString &text) {
        runFilter->setName(QString());
        runFilter->setNarrowing(text);
    });

    pages = new QTabWidget(this);
    tableView = makeTable(pages, QStringLiteral("actionTable"));
    tableView->setModel(runFilter);
    statisticsView = makeTable(pages, QStringLiteral("actionStatistics"));
    statisticsView->setModel(statisticsSorter);
    pages->addTab(tableView, tr("Actions"));
    pages->addTab(statisticsView, tr("Statistics"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(narrowing);
    layout->addWidget(pages);

    connect(tableView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { runChosen(current); });
    connect(tableView, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.column() != ActionTableModel::CauseColumn)
            return;
        const int cause = runs->occurrence(runFilter->mapToSource(index).row()).causeRow;
        if (cause >= 0)
            emit causeChosen(cause);
    });
    connect(statisticsView, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        narrowToName(statisticsSorter->index(index.row(), ActionStatisticsModel::NameColumn).data().toString());
    });
}

void ActionsPanel::setAnalysis(std::shared_ptr<const ActionAnalysis> analysis, std::shared_ptr<LogFile> file)
{
    runs->setAnalysis(analysis, std::move(file));
    statistics->setAnalysis(std::move(analysis));
    for (QTableView *view : {tableView, statisticsView})
        view->resizeColumnsToContents();
}

void ActionsPanel::narrowToName(const QString &name)
{
    narrowing->setText(name);
    runFilter->setNarrowing(QString());
    runFilter->setName(name);
    pages->setCurrentWidget(tableView);
}

void ActionsPanel::runChosen(const QModelIndex &current)
{
    if (showing || !current.isValid())
        return;
    const ActionOccurrence &run = runs->occurrence(runFilter->mapToSource(current).row());
    emit recordChosen(run.startRow >= 0 ? run.startRow : run.endRow);
}

void ActionsPanel::showRunOf(int row)
{
    const ActionAnalysis *result = runs->analysis();
    if (!result || row < 0 || size_t(row) >= result->occurrenceOfRow.size())
        return;
    const int run = result->occurrenceOfRow[size_t(row)];
    if (run < 0)
        return;
    const QModelIndex index = runFilter->mapFromSource(runs->index(run, 0));
    if (!index.isValid())
        return;
    showing = true;
    tableView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    tableView->scrollTo(index);
    showing = false;
}
