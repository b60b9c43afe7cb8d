#include "actiontablemodel.h"

#include "entrypresentation.h"

#include <QBrush>
#include <QColor>

ActionTableModel::ActionTableModel(QObject *parent)
    : QAbstractTableModel(parent)
    , work(this)
{
}

ActionTableModel::~ActionTableModel()
{
    pending.cancel();
}

void ActionTableModel::setAnalysis(std::shared_ptr<const ActionAnalysis> analysis,
                                   std::shared_ptr<const RunTexts> texts)
{
    pending.cancel();
    beginResetModel();
    current = std::move(analysis);
    runTexts = std::move(texts);
    shown.clear();
    rowOfRun.clear();
    endResetModel();
    // The statistics are counted anew for the new runs.
    selecting = false;
    statisticsStale = true;
    setQuery(asked);
}

ActionTableModel::Answer ActionTableModel::answer(const ActionAnalysis &analysis, const RunTexts &texts,
                                                  const RunQuery &query, bool withStatistics,
                                                  const std::atomic<bool> *cancelled)
{
    Answer result;
    result.runs = query.select(analysis, texts, cancelled);
    if (withStatistics && !(cancelled && cancelled->load()))
        result.statistics = analysis.statisticsOf(query.runsForStatistics(analysis));
    result.withStatistics = withStatistics;
    return result;
}

void ActionTableModel::setQuery(RunQuery query)
{
    // The statistics follow the filter alone: narrowing, the failures
    // switch and sorting leave them as they are.
    if (query.hiddenRows != asked.hiddenRows)
        statisticsStale = true;
    const bool withStatistics = statisticsStale;
    asked = std::move(query);
    pending.cancel();
    if (!current || !runTexts) {
        selecting = false;
        return;
    }
    if (int(current->occurrences.size()) <= inlineRuns) {
        selecting = false;
        take(answer(*current, *runTexts, asked, withStatistics, nullptr));
        return;
    }
    selecting = true;
    pending = work.run(
        [analysis = current, texts = runTexts, query = asked, withStatistics](const CancelToken &token) {
            return answer(*analysis, *texts, query, withStatistics, token.flag());
        },
        [this](Answer result) {
            selecting = false;
            take(std::move(result));
        });
}

void ActionTableModel::take(Answer result)
{
    beginResetModel();
    shown = std::move(result.runs);
    rowOfRun.assign(current ? current->occurrences.size() : 0, -1);
    for (size_t row = 0; row < shown.size(); ++row)
        rowOfRun[size_t(shown[row])] = int(row);
    endResetModel();
    if (result.withStatistics) {
        statisticsStale = false;
        emit statisticsChanged(result.statistics);
    }
    emit rowsReplaced();
}

int ActionTableModel::rowOf(int run) const
{
    return run >= 0 && size_t(run) < rowOfRun.size() ? rowOfRun[size_t(run)] : -1;
}

void ActionTableModel::sort(int column, Qt::SortOrder order)
{
    RunQuery query = asked;
    query.sortColumn = column;
    query.descending = order == Qt::DescendingOrder;
    setQuery(std::move(query));
}

int ActionTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(shown.size());
}

int ActionTableModel::columnCount(const QModelIndex &parent) const
{
    // The Source column only for the runs of a merged view.
    const bool merged = runTexts && !runTexts->sourceNames.empty();
    return parent.isValid() ? 0 : (merged ? ColumnCount : SourceColumn);
}

QVariant ActionTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !current || index.row() >= rowCount())
        return QVariant();
    const int run = runAt(index.row());
    if (role == Qt::DisplayRole)
        return RunColumns::cellText(*current, *runTexts, run, index.column());
    if (role == Qt::ToolTipRole) {
        if (index.column() == CauseColumn)
            return runTexts->causeChains[size_t(run)];
        return RunColumns::cellText(*current, *runTexts, run, index.column());
    }
    if (role == Qt::TextAlignmentRole) {
        switch (index.column()) {
        case IdColumn:
        case StartColumn:
        case EndColumn:
        case DurationColumn:
        case SubActionsColumn:
            return int(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return QVariant();
        }
    }
    if (role == Qt::BackgroundRole && index.column() == OutcomeColumn) {
        const ActionOccurrence::Outcome outcome = current->occurrences[size_t(run)].outcome;
        const quint32 colour = EntryPresentation::activityColour(ActionOccurrence::colourActivity(outcome));
        return colour != EntryPresentation::noColour ? QVariant(QBrush(QColor(QRgb(colour)))) : QVariant();
    }
    return QVariant();
}

QVariant ActionTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QStringList headers = RunColumns::headers();
    return section >= 0 && section < headers.size() ? headers[section] : QVariant();
}
