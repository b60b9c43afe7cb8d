#include "actionspanel.h"

#include "actionstatisticsmodel.h"
#include "actiontablemodel.h"
#include "rundetails.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
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
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->verticalHeader()->hide();
    // One line a row, measured once: a hundred thousand rows then cost
    // nothing to lay out.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    // Unsorted, in the order of the file, until a header is clicked.
    view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    view->setSortingEnabled(true);
    return view;
}

QString quoted(const QString &name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

} // namespace

ActionsPanel::ActionsPanel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("actionsPanel"));
    runs = new ActionTableModel(this);
    statistics = new ActionStatisticsModel(this);
    statisticsSorter = new QSortFilterProxyModel(this);
    statisticsSorter->setSourceModel(statistics);
    statisticsSorter->setSortRole(Qt::UserRole);

    pages = new QTabWidget(this);
    tableView = makeTable(pages, QStringLiteral("actionTable"));
    tableView->setModel(runs);
    statisticsView = makeTable(pages, QStringLiteral("actionStatistics"));
    statisticsView->setModel(statisticsSorter);
    statisticsView->horizontalHeader()->setStretchLastSection(true);
    pages->addTab(tableView, tr("Actions"));
    pages->addTab(statisticsView, tr("Statistics"));

    buildControls();
    connectTables();
}

void ActionsPanel::buildControls()
{
    narrowing = new QLineEdit(this);
    narrowing->setObjectName(QStringLiteral("actionNarrowing"));
    narrowing->setPlaceholderText(tr("Narrow: words of the name, arguments, outcome, subsystem or cause; \"a phrase\""));
    narrowing->setClearButtonEnabled(true);
    connect(narrowing, &QLineEdit::textChanged, this, &ActionsPanel::narrowingChanged);

    failuresOnly = new QCheckBox(tr("Only failures"), this);
    failuresOnly->setObjectName(QStringLiteral("onlyFailures"));
    failuresOnly->setToolTip(tr("Only the runs that were cancelled, never ended, had no start or were restarted"));
    connect(failuresOnly, &QCheckBox::toggled, this, &ActionsPanel::updateQuery);

    followFilter = new QCheckBox(tr("Only rows shown"), this);
    followFilter->setObjectName(QStringLiteral("statisticsFollowFilter"));
    followFilter->setToolTip(tr("Only the runs whose start record the tab's filter shows, in the table and the statistics"));
    connect(followFilter, &QCheckBox::toggled, this, &ActionsPanel::updateQuery);

    exportButton = new QPushButton(tr("Export CSV..."), this);
    exportButton->setObjectName(QStringLiteral("exportCsv"));
    exportButton->setToolTip(tr("Write the rows of the table shown to a CSV file"));
    connect(exportButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, tr("Export CSV"), QString(), tr("CSV files (*.csv)"));
        if (!path.isEmpty())
            exportCsvTo(path);
    });

    auto *controls = new QHBoxLayout;
    controls->addWidget(narrowing, 1);
    controls->addWidget(failuresOnly);
    controls->addWidget(followFilter);
    controls->addWidget(exportButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(controls);
    layout->addWidget(pages);
}

void ActionsPanel::connectTables()
{
    connect(tableView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { runChosen(current); });
    connect(tableView, &QTableView::doubleClicked, this, &ActionsPanel::doubleClicked);
    connect(runs, &ActionTableModel::rowsReplaced, this, &ActionsPanel::rowsReplaced);
    connect(runs, &ActionTableModel::statisticsChanged, this, [this](const std::vector<ActionStatistics> &counted) {
        statistics->setStatistics(counted);
        statisticsView->resizeColumnsToContents();
    });
    connect(statisticsView, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        narrowToName(statisticsSorter->index(index.row(), ActionStatisticsModel::NameColumn).data().toString());
    });
    for (QTableView *view : {tableView, statisticsView}) {
        auto *copy = new QAction(tr("Copy"), view);
        copy->setObjectName(view->objectName() + QStringLiteral("Copy"));
        copy->setShortcut(QKeySequence::Copy);
        copy->setShortcutContext(Qt::WidgetShortcut);
        connect(copy, &QAction::triggered, this, &ActionsPanel::copySelected);
        view->addAction(copy);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint &position) { showTableMenu(view, position); });
    }
}

void ActionsPanel::setAnalysis(std::shared_ptr<const ActionAnalysis> analysis, std::shared_ptr<const RunTexts> texts)
{
    runs->setAnalysis(std::move(analysis), std::move(texts));
    // A merged view's Source column shows after Id.
    QHeaderView *header = tableView->horizontalHeader();
    if (runs->columnCount() > ActionTableModel::SourceColumn
        && header->visualIndex(ActionTableModel::SourceColumn) != ActionTableModel::IdColumn + 1)
        header->moveSection(header->visualIndex(ActionTableModel::SourceColumn), ActionTableModel::IdColumn + 1);
    fitColumns();
}

void ActionsPanel::setHiddenRows(std::vector<bool> hidden)
{
    hiddenRows = std::make_shared<const std::vector<bool>>(std::move(hidden));
    if (followFilter->isChecked())
        updateQuery();
}

void ActionsPanel::narrowingChanged(const QString &text)
{
    if (text != quoted(exactName))
        exactName.clear();
    updateQuery();
}

void ActionsPanel::updateQuery()
{
    RunQuery query = runs->query();
    query.words = RunQuery::wordsOf(narrowing->text());
    query.exactName = exactName;
    query.onlyFailures = failuresOnly->isChecked();
    query.hiddenRows = followFilter->isChecked() ? hiddenRows : nullptr;
    runs->setQuery(std::move(query));
}

void ActionsPanel::narrowToName(const QString &name)
{
    exactName = name;
    pages->setCurrentWidget(tableView);
    if (narrowing->text() == quoted(name))
        updateQuery();
    else
        narrowing->setText(quoted(name));
}

void ActionsPanel::runChosen(const QModelIndex &current)
{
    const int run = current.isValid() ? runs->runAt(current.row()) : -1;
    if (run == chosenRun)
        return;
    chosenRun = run;
    emit runSelected(run);
    if (showing || run < 0)
        return;
    const ActionOccurrence &occurrence = runs->analysis()->occurrences[size_t(run)];
    emit recordChosen(occurrence.startRow >= 0 ? occurrence.startRow : occurrence.endRow);
}

void ActionsPanel::rowsReplaced()
{
    // The chosen run stays chosen, and in view, when the table still has it.
    const int run = chosenRun;
    const int row = runs->rowOf(run);
    showing = true;
    if (row >= 0) {
        const QModelIndex index = runs->index(row, 0);
        tableView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect
                                                               | QItemSelectionModel::Rows);
        tableView->scrollTo(index, QAbstractItemView::PositionAtCenter);
    }
    showing = false;
    chosenRun = run;
    std::vector<bool> kept(runs->analysis() ? runs->analysis()->occurrences.size() : 0, false);
    for (int shownRun : runs->shownRuns())
        kept[size_t(shownRun)] = true;
    emit shownRunsChanged(kept);
}

void ActionsPanel::doubleClicked(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    const int run = runs->runAt(index.row());
    if (index.column() != ActionTableModel::CauseColumn) {
        openRunDetails(run);
        return;
    }
    const int cause = runs->analysis()->shownCauseRow(run);
    if (cause >= 0)
        emit causeChosen(cause);
}

void ActionsPanel::openRunDetails(int run)
{
    auto *details = new RunDetails(runs->sharedAnalysis(), runs->sharedTexts(), run, this);
    connect(details, &RunDetails::filterRequested, this, &ActionsPanel::filterRequested);
    connect(details, &RunDetails::recordChosen, this, &ActionsPanel::recordChosen);
    details->show();
}

void ActionsPanel::showRunOf(int row)
{
    const ActionAnalysis *result = runs->analysis();
    if (!result || row < 0 || size_t(row) >= result->occurrenceOfRow.size())
        return;
    const int run = result->occurrenceOfRow[size_t(row)];
    const int tableRow = runs->rowOf(run);
    if (run < 0 || tableRow < 0)
        return;
    const QModelIndex index = runs->index(tableRow, 0);
    showing = true;
    tableView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    tableView->scrollTo(index);
    showing = false;
}
