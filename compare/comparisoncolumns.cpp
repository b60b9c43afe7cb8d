#include "comparisoncolumns.h"

#include "entrypresentation.h"
#include "runcolumns.h"

#include <QCoreApplication>

namespace ComparisonColumns {

namespace {

const ActionOccurrence *runOf(const RunComparison::Side &side, int run)
{
    return run >= 0 ? &side.analysis->occurrences[size_t(run)] : nullptr;
}

double firstTime(const ActionOccurrence &run)
{
    return run.startRow >= 0 ? run.startTime : run.endTime;
}

// Seconds as a table shows them, or with every digit.
QString seconds(double value, bool fullPrecision)
{
    return fullPrecision ? RunColumns::exactNumber(value) : QString::number(value, 'f', 3);
}

QString time(double value, bool fullPrecision)
{
    return fullPrecision ? RunColumns::exactNumber(value) : EntryPresentation::timeText(value);
}

QString byNameText(const RunComparison::NameRow &name, int column, bool full)
{
    const auto timed = [full](const ActionStatistics &side, double value) {
        return side.timed > 0 ? seconds(value, full) : QString();
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
    case DeltaMedian: return name.hasDelta() ? seconds(name.delta(), full) : QString();
    case Ratio:
        if (!name.hasRatio())
            return QString();
        return full ? RunColumns::exactNumber(name.ratio()) : QString::number(name.ratio(), 'f', 2);
    default: return QString();
    }
}

QString sequenceText(const RunComparison &comparison, const RunComparison::SequenceRow &pair, int column, bool full)
{
    if (column == Action)
        return pair.runB >= 0 ? comparison.runText(comparison.b, pair.runB)
                              : comparison.runText(comparison.a, pair.runA);
    const bool ofB = column == StartB || column == OutcomeB || column == DurationB;
    const ActionOccurrence *run = ofB ? runOf(comparison.b, pair.runB) : runOf(comparison.a, pair.runA);
    if (!run)
        return QString();
    switch (column) {
    case StartA:
    case StartB: return time(firstTime(*run), full);
    case OutcomeA:
    case OutcomeB: return ActionOccurrence::outcomeText(run->outcome);
    default: return run->hasDuration() ? seconds(run->duration(), full) : QString();
    }
}

QString newErrorText(const RunComparison::NewError &error, int column, bool full)
{
    switch (column) {
    case Template: return error.text;
    case Count: return QString::number(error.count);
    case FirstTime: return time(error.firstTime, full);
    default: return error.subsystem;
    }
}

QString tr(const char *context, const char *text)
{
    return QCoreApplication::translate(context, text);
}

} // namespace

QStringList headers(Table table)
{
    switch (table) {
    case ByName: {
        const char *context = "ComparisonByNameModel";
        return {tr(context, "Name"), tr(context, "Count A"), tr(context, "Count B"), tr(context, "Completed A"),
                tr(context, "Completed B"), tr(context, "Cancelled A"), tr(context, "Cancelled B"),
                tr(context, "Never ended A"), tr(context, "Never ended B"), tr(context, "Median A"),
                tr(context, "Median B"), tr(context, "P95 A"), tr(context, "P95 B"),
                tr(context, "\u0394 Median (B \u2212 A)"), tr(context, "Ratio")};
    }
    case Sequence: {
        const char *context = "ComparisonSequenceModel";
        return {tr(context, "Action"),    tr(context, "Start A"),    tr(context, "Start B"),
                tr(context, "Outcome A"), tr(context, "Outcome B"), tr(context, "Duration A"),
                tr(context, "Duration B")};
    }
    default: {
        const char *context = "ComparisonNewErrorsModel";
        return {tr(context, "Template"), tr(context, "Count"), tr(context, "First in B"), tr(context, "Subsystem")};
    }
    }
}

int rowCount(const RunComparison &comparison, Table table)
{
    switch (table) {
    case ByName: return int(comparison.byName.size());
    case Sequence: return int(comparison.sequence.size());
    default: return int(comparison.newErrors.size());
    }
}

bool isNumeric(Table table, int column)
{
    switch (table) {
    case ByName: return column != Name;
    case Sequence: return column == StartA || column == StartB || column == DurationA || column == DurationB;
    default: return column == Count || column == FirstTime;
    }
}

QString text(const RunComparison &comparison, Table table, int row, int column, bool fullPrecision)
{
    if (row < 0 || row >= rowCount(comparison, table))
        return QString();
    switch (table) {
    case ByName: return byNameText(comparison.byName[size_t(row)], column, fullPrecision);
    case Sequence: return sequenceText(comparison, comparison.sequence[size_t(row)], column, fullPrecision);
    default: return newErrorText(comparison.newErrors[size_t(row)], column, fullPrecision);
    }
}

} // namespace ComparisonColumns
