#include "comparisonmodels.h"

#include "entrypresentation.h"
#include "runcolumns.h"

#include <limits>

namespace {

// Empty numeric cells sort before every number.
const QVariant noNumber(-std::numeric_limits<double>::max());

QString seconds(double value)
{
    return QString::number(value, 'f', 3);
}

const ActionOccurrence *runOf(const RunComparison::Side &side, int run)
{
    return run >= 0 ? &side.analysis->occurrences[size_t(run)] : nullptr;
}

int firstRecord(const ActionOccurrence &run)
{
    return run.startRow >= 0 ? run.startRow : run.endRow;
}

double firstTime(const ActionOccurrence &run)
{
    return run.startRow >= 0 ? run.startTime : run.endTime;
}

} // namespace

ComparisonModel::ComparisonModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void ComparisonModel::setComparison(std::shared_ptr<const RunComparison> comparison)
{
    beginResetModel();
    shown = std::move(comparison);
    endResetModel();
}

int ComparisonModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : headers().size();
}

QVariant ComparisonModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    const QStringList names = headers();
    return section >= 0 && section < names.size() ? names[section] : QVariant();
}

QVariant ComparisonModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole: return text(index.row(), index.column());
    case Qt::UserRole: return sortValue(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return isNumeric(index.column()) ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    default: return QVariant();
    }
}

int ComparisonByNameModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !shown ? 0 : int(shown->byName.size());
}

QStringList ComparisonByNameModel::headers() const
{
    return {tr("Name"), tr("Count A"), tr("Count B"), tr("Completed A"), tr("Completed B"), tr("Cancelled A"),
            tr("Cancelled B"), tr("Never ended A"), tr("Never ended B"), tr("Median A"), tr("Median B"),
            tr("P95 A"), tr("P95 B"), tr("\u0394 Median (B \u2212 A)"), tr("Ratio")};
}

QVariant ComparisonByNameModel::sortValue(int row, int column) const
{
    const RunComparison::NameRow &name = shown->byName[size_t(row)];
    switch (column) {
    case Name: return name.name.toLower();
    case MedianA: return name.a.timed > 0 ? QVariant(name.a.median) : noNumber;
    case MedianB: return name.b.timed > 0 ? QVariant(name.b.median) : noNumber;
    case P95A: return name.a.timed > 0 ? QVariant(name.a.p95) : noNumber;
    case P95B: return name.b.timed > 0 ? QVariant(name.b.p95) : noNumber;
    case DeltaMedian: return name.hasDelta() ? QVariant(name.delta()) : noNumber;
    case Ratio: return name.hasRatio() ? QVariant(name.ratio()) : noNumber;
    default: return text(row, column).toInt();
    }
}

QString ComparisonByNameModel::text(int row, int column) const
{
    const RunComparison::NameRow &name = shown->byName[size_t(row)];
    const auto timed = [](const ActionStatistics &side, double value) {
        return side.timed > 0 ? seconds(value) : QString();
    };
    switch (column) {
    case Name: return name.name;
    case CountA: return QString::number(name.a.count);
    case CountB: return QString::number(name.b.count);
    case CompletedA: return QString::number(name.a.completed);
    case CompletedB: return QString::number(name.b.completed);
    case CancelledA: return QString::number(name.a.cancelled);
    case CancelledB: return QString::number(name.b.cancelled);
    case NeverEndedA: return QString::number(name.a.neverEnded);
    case NeverEndedB: return QString::number(name.b.neverEnded);
    case MedianA: return timed(name.a, name.a.median);
    case MedianB: return timed(name.b, name.b.median);
    case P95A: return timed(name.a, name.a.p95);
    case P95B: return timed(name.b, name.b.p95);
    case DeltaMedian: return name.hasDelta() ? seconds(name.delta()) : QString();
    case Ratio: return name.hasRatio() ? QString::number(name.ratio(), 'f', 2) : QString();
    default: return QString();
    }
}

ComparisonModel::Record ComparisonByNameModel::recordOf(int row) const
{
    // The first run of the name in B, else in A.
    if (!shown || row < 0 || row >= rowCount())
        return {};
    const QString &name = shown->byName[size_t(row)].name;
    for (int side = 1; side >= 0; --side) {
        const RunComparison::Side &of = side ? shown->b : shown->a;
        for (size_t run = 0; run < of.texts->names.size(); ++run)
            if (of.texts->names[run] == name)
                return {side, firstRecord(of.analysis->occurrences[run])};
    }
    return {};
}

int ComparisonSequenceModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !shown ? 0 : int(shown->sequence.size());
}

QStringList ComparisonSequenceModel::headers() const
{
    return {tr("Action"), tr("Start A"), tr("Start B"), tr("Outcome A"), tr("Outcome B"), tr("Duration A"),
            tr("Duration B")};
}

bool ComparisonSequenceModel::isNumeric(int column) const
{
    return column == StartA || column == StartB || column == DurationA || column == DurationB;
}

QString ComparisonSequenceModel::text(int row, int column) const
{
    const RunComparison::SequenceRow &pair = shown->sequence[size_t(row)];
    const ActionOccurrence *runA = runOf(shown->a, pair.runA);
    const ActionOccurrence *runB = runOf(shown->b, pair.runB);
    const ActionOccurrence *run = (column == StartB || column == OutcomeB || column == DurationB) ? runB : runA;
    if (column == Action)
        return pair.runB >= 0 ? shown->runText(shown->b, pair.runB) : shown->runText(shown->a, pair.runA);
    if (!run)
        return QString();
    switch (column) {
    case StartA:
    case StartB: return EntryPresentation::timeText(firstTime(*run));
    case OutcomeA:
    case OutcomeB: return ActionOccurrence::outcomeText(run->outcome);
    default: return run->hasDuration() ? seconds(run->duration()) : QString();
    }
}

QVariant ComparisonSequenceModel::sortValue(int row, int column) const
{
    if (!isNumeric(column))
        return text(row, column).toLower();
    const RunComparison::SequenceRow &pair = shown->sequence[size_t(row)];
    const ActionOccurrence *run = runOf(column == StartA || column == DurationA ? shown->a : shown->b,
                                        column == StartA || column == DurationA ? pair.runA : pair.runB);
    if (!run)
        return noNumber;
    if (column == StartA || column == StartB)
        return firstTime(*run);
    return run->hasDuration() ? QVariant(run->duration()) : noNumber;
}

ComparisonModel::Record ComparisonSequenceModel::recordOf(int row) const
{
    if (!shown || row < 0 || row >= rowCount())
        return {};
    const RunComparison::SequenceRow &pair = shown->sequence[size_t(row)];
    if (pair.runB >= 0)
        return {1, firstRecord(*runOf(shown->b, pair.runB))};
    return {0, firstRecord(*runOf(shown->a, pair.runA))};
}

int ComparisonNewErrorsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !shown ? 0 : int(shown->newErrors.size());
}

QStringList ComparisonNewErrorsModel::headers() const
{
    return {tr("Template"), tr("Count"), tr("First in B"), tr("Subsystem")};
}

QString ComparisonNewErrorsModel::text(int row, int column) const
{
    const RunComparison::NewError &error = shown->newErrors[size_t(row)];
    switch (column) {
    case Template: return error.text;
    case Count: return QString::number(error.count);
    case FirstTime: return EntryPresentation::timeText(error.firstTime);
    default: return error.subsystem;
    }
}

QVariant ComparisonNewErrorsModel::sortValue(int row, int column) const
{
    const RunComparison::NewError &error = shown->newErrors[size_t(row)];
    switch (column) {
    case Count: return error.count;
    case FirstTime: return error.firstTime;
    default: return text(row, column).toLower();
    }
}

ComparisonModel::Record ComparisonNewErrorsModel::recordOf(int row) const
{
    if (!shown || row < 0 || row >= rowCount())
        return {};
    return {1, shown->newErrors[size_t(row)].firstRow};
}
