#include "actiontablemodel.h"

#include "logfile.h"
#include "logfileentry.h"
#include "entrypresentation.h"
#include "robotaction.h"

#include <QBrush>
#include <QColor>

ActionTableModel::ActionTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void ActionTableModel::setAnalysis(std::shared_ptr<const ActionAnalysis> analysis, std::shared_ptr<LogFile> logFile)
{
    beginResetModel();
    current = std::move(analysis);
    file = std::move(logFile);
    names.clear();
    argumentTexts.clear();
    if (current) {
        names.reserve(current->occurrences.size());
        argumentTexts.reserve(current->occurrences.size());
        for (const ActionOccurrence &run : current->occurrences) {
            names.push_back(run.action ? run.action->name().trimmed() : QString());
            argumentTexts.push_back(run.action ? run.action->arguments().join(QStringLiteral(", ")) : QString());
        }
    }
    endResetModel();
}

int ActionTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !current ? 0 : int(current->occurrences.size());
}

int ActionTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString ActionTableModel::cause(int row) const
{
    const ActionOccurrence &occurrence = this->occurrence(row);
    if (occurrence.causeRow < 0 || !file || occurrence.causeRow >= file->entries().size())
        return QString();
    return file->entries().at(occurrence.causeRow)->message();
}

QVariant ActionTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !current || index.row() >= rowCount())
        return QVariant();
    const ActionOccurrence &run = occurrence(index.row());
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        switch (index.column()) {
        case IdColumn:
            return QString::number(run.id);
        case NameColumn:
            return name(index.row());
        case ArgumentsColumn:
            return arguments(index.row());
        case SubsystemColumn:
            return run.subsystem;
        case StartColumn:
            return run.startRow >= 0 ? EntryPresentation::timeText(run.startTime) : QString();
        case EndColumn:
            return run.endRow >= 0 ? EntryPresentation::timeText(run.endTime) : QString();
        case DurationColumn:
            return run.hasDuration() ? QString::number(run.duration(), 'f', 3) : QString();
        case OutcomeColumn:
            return ActionOccurrence::outcomeText(run.outcome);
        case SubActionsColumn:
            return QString::number(run.action ? run.action->children().size() : 0);
        case CauseColumn:
            return role == Qt::ToolTipRole ? EntryPresentation::recordToolTip(cause(index.row())) : cause(index.row());
        default:
            return QVariant();
        }
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
        const quint32 colour = EntryPresentation::activityColour(ActionOccurrence::colourActivity(run.outcome));
        return colour != EntryPresentation::noColour ? QVariant(QBrush(QColor(QRgb(colour)))) : QVariant();
    }
    return QVariant();
}

QVariant ActionTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const headers[] = {"Id",       "Name",    "Arguments", "Subsystem",   "Start",
                                          "End",      "Duration", "Outcome",  "Sub-actions", "Cause"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(headers[section]) : QVariant();
}
