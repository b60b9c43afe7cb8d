// What the actions panel's tables give away: copied rows, CSV files, and
// columns fitted to what they hold.
#include "actionspanel.h"

#include "actionstatisticsmodel.h"
#include "actiontablemodel.h"
#include "backgroundwork.h"
#include "entrypresentation.h"
#include "runcolumns.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QSortFilterProxyModel>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>

#include <algorithm>

namespace {

// The rows to write, made on the GUI thread from what is cheap to copy;
// their texts are made by the writer.
struct CsvRows
{
    std::shared_ptr<const ActionAnalysis> analysis;
    std::shared_ptr<const RunTexts> texts;
    std::vector<int> runs;                   // the actions table's rows
    std::vector<ActionStatistics> statistics; // or the statistics' rows

    QByteArray text() const
    {
        QString out;
        if (analysis) {
            const std::vector<int> columns = RunColumns::shownColumns(*texts);
            QStringList header;
            for (int column : columns)
                header.push_back(RunColumns::headers().at(column));
            out += TableText::csvLine(header);
            for (int run : runs) {
                QStringList cells;
                for (int column : columns)
                    cells.push_back(RunColumns::cellText(*analysis, *texts, run, column, true));
                out += TableText::csvLine(cells);
            }
        } else {
            out += TableText::csvLine(RunColumns::statisticsHeaders());
            for (const ActionStatistics &row : statistics) {
                QStringList cells;
                for (int column = 0; column < RunColumns::StatColumnCount; ++column)
                    cells.push_back(RunColumns::statisticsCellText(row, column, true));
                out += TableText::csvLine(cells);
            }
        }
        return out.toUtf8();
    }
    size_t count() const { return analysis ? runs.size() : statistics.size(); }
};

// Writes `rows` to `path` through a file replaced only when complete; the
// failure's reason, or an empty text.
QString writeCsv(const QString &path, const CsvRows &rows)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const QByteArray text = rows.text();
    if (file.write(text) != text.size() || !file.commit())
        return file.errorString();
    return QString();
}

} // namespace

QTableView *ActionsPanel::shownTable() const
{
    return pages->currentWidget() == statisticsView ? statisticsView : tableView;
}

QString ActionsPanel::selectedText() const
{
    QTableView *view = shownTable();
    QAbstractItemModel *model = view->model();
    QModelIndexList selected = view->selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    // In the order the columns show.
    std::vector<int> columns;
    for (int visual = 0; visual < model->columnCount(); ++visual)
        columns.push_back(view->horizontalHeader()->logicalIndex(visual));
    QStringList header;
    for (int column : columns)
        header.push_back(model->headerData(column, Qt::Horizontal).toString());
    QString text = TableText::tsvLine(header) + QLatin1Char('\n');
    for (const QModelIndex &row : selected) {
        QStringList cells;
        for (int column : columns)
            cells.push_back(model->index(row.row(), column).data().toString());
        text += TableText::tsvLine(cells) + QLatin1Char('\n');
    }
    return text;
}

void ActionsPanel::copySelected()
{
    if (shownTable()->selectionModel()->hasSelection())
        QApplication::clipboard()->setText(selectedText());
}

void ActionsPanel::exportCsvTo(const QString &path)
{
    CsvRows rows;
    if (shownTable() == tableView) {
        if (!runs->analysis())
            return;
        rows.analysis = runs->sharedAnalysis();
        rows.texts = runs->sharedTexts();
        rows.runs = runs->shownRuns();
    } else {
        for (int row = 0; row < statisticsSorter->rowCount(); ++row)
            rows.statistics.push_back(
                statistics->statistics()[size_t(statisticsSorter->mapToSource(statisticsSorter->index(row, 0)).row())]);
    }
    const size_t count = rows.count();
    emit statusMessage(tr("writing '%1'").arg(path));
    // The work belongs to the application, not to the panel: a file being
    // written is finished and reported even when its tab closes meanwhile.
    static BackgroundWork *work = new BackgroundWork(qApp);
    QPointer<ActionsPanel> panel(this);
    work->run([path, rows = std::move(rows)](const CancelToken &) { return writeCsv(path, rows); },
              [panel, path, count](const QString &failure) {
                  if (!panel)
                      return;
                  emit panel->statusMessage(failure.isEmpty()
                                                ? tr("wrote %1 rows to '%2'").arg(count).arg(path)
                                                : tr("could not write '%1': %2").arg(path, failure));
              });
}

void ActionsPanel::showTableMenu(QTableView *view, const QPoint &position)
{
    pages->setCurrentWidget(view);
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("actionTableMenu"));
    QAction *copy = menu.addAction(tr("Copy"), this, &ActionsPanel::copySelected);
    copy->setEnabled(view->selectionModel()->hasSelection());
    menu.addAction(tr("Export CSV..."), exportButton, &QPushButton::click);
    menu.exec(view->viewport()->mapToGlobal(position));
}

void ActionsPanel::fitColumns()
{
    // Numbers and outcomes fit their widest text, measured from the widest
    // values rather than row by row; arguments and cause share the rest.
    QHeaderView *header = tableView->horizontalHeader();
    const RunTexts *texts = runs->texts();
    const QFontMetrics metrics(tableView->font());
    const int padding = 2 * tableView->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tableView) + 12;
    const auto fit = [&](int column, const QStringList &candidates) {
        int width = header->sectionSizeHint(column);
        for (const QString &text : candidates)
            width = std::max(width, metrics.horizontalAdvance(text) + padding);
        header->setSectionResizeMode(column, QHeaderView::Interactive);
        header->resizeSection(column, width);
    };
    const double widestTime = texts ? texts->widestTime : 0;
    fit(ActionTableModel::IdColumn, {QString::number(texts ? texts->widestId : 0)});
    fit(ActionTableModel::StartColumn, {EntryPresentation::timeText(widestTime) + QStringLiteral("0")});
    fit(ActionTableModel::EndColumn, {EntryPresentation::timeText(widestTime) + QStringLiteral("0")});
    fit(ActionTableModel::DurationColumn, {RunColumns::secondsText(texts ? texts->widestDuration : 0)});
    QStringList outcomes;
    for (auto outcome : {ActionOccurrence::Completed, ActionOccurrence::Cancelled, ActionOccurrence::NeverEnded,
                         ActionOccurrence::NoStart, ActionOccurrence::Restarted})
        outcomes.push_back(ActionOccurrence::outcomeText(outcome));
    fit(ActionTableModel::OutcomeColumn, outcomes);
    fit(ActionTableModel::SubActionsColumn, {});
    for (int column : {ActionTableModel::NameColumn, ActionTableModel::SubsystemColumn})
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    // Arguments as wide as they are, up to a fifth of the table; the Cause,
    // last, takes the rest.
    header->setSectionResizeMode(ActionTableModel::ArgumentsColumn, QHeaderView::Interactive);
    header->resizeSection(ActionTableModel::ArgumentsColumn,
                          std::min(std::max(header->sectionSizeHint(ActionTableModel::ArgumentsColumn),
                                            metrics.horizontalAdvance(texts ? texts->longestArguments : QString())
                                                + padding),
                                   std::max(120, tableView->viewport()->width() / 5)));
    header->setStretchLastSection(true);
    statisticsView->resizeColumnsToContents();
}
