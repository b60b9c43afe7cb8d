#include "comparisonmodels.h"

#include "comparisoncolumns.h"

#include <limits>

namespace {

// Empty numeric cells sort before every number.
const QVariant noNumber(-std::numeric_limits<double>::max());

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
    return ComparisonColumns::headers(ComparisonColumns::ByName);
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
    return ComparisonColumns::text(*shown, ComparisonColumns::ByName, row, column);
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
    return ComparisonColumns::headers(ComparisonColumns::Sequence);
}

bool ComparisonSequenceModel::isNumeric(int column) const
{
    return column == StartA || column == StartB || column == DurationA || column == DurationB;
}

QString ComparisonSequenceModel::text(int row, int column) const
{
    return ComparisonColumns::text(*shown, ComparisonColumns::Sequence, row, column);
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
    return ComparisonColumns::headers(ComparisonColumns::NewErrors);
}

QString ComparisonNewErrorsModel::text(int row, int column) const
{
    return ComparisonColumns::text(*shown, ComparisonColumns::NewErrors, row, column);
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
