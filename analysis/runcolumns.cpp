#include "runcolumns.h"

#include "entrypresentation.h"
#include "robotaction.h"
#include "runtexts.h"

#include <QLocale>

namespace RunColumns {

QStringList headers()
{
    return {QStringLiteral("Id"),       QStringLiteral("Name"),     QStringLiteral("Arguments"),
            QStringLiteral("Subsystem"), QStringLiteral("Start"),   QStringLiteral("End"),
            QStringLiteral("Duration"), QStringLiteral("Outcome"), QStringLiteral("Sub-actions"),
            QStringLiteral("Cause"),    QStringLiteral("Source")};
}

std::vector<int> shownColumns(const RunTexts &texts)
{
    std::vector<int> columns{Id};
    if (!texts.sourceNames.empty())
        columns.push_back(Source);
    for (int column = Name; column < Source; ++column)
        columns.push_back(column);
    return columns;
}

QStringList statisticsHeaders()
{
    return {QStringLiteral("Name"),        QStringLiteral("Count"), QStringLiteral("Completed"),
            QStringLiteral("Cancelled"),   QStringLiteral("Never ended"), QStringLiteral("Min"),
            QStringLiteral("Median"),      QStringLiteral("P95"),   QStringLiteral("Max")};
}

QString secondsText(double seconds)
{
    return QString::number(seconds, 'f', 3);
}

QString exactNumber(double value)
{
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

QString cellText(const ActionAnalysis &analysis, const RunTexts &texts, int run, int column, bool fullPrecision)
{
    const ActionOccurrence &occurrence = analysis.occurrences[size_t(run)];
    const auto time = [fullPrecision](double value) {
        return fullPrecision ? exactNumber(value) : EntryPresentation::timeText(value);
    };
    switch (column) {
    case Id: return QString::number(occurrence.id);
    case Name: return texts.names[size_t(run)];
    case Arguments: return texts.arguments[size_t(run)];
    case Subsystem: return occurrence.subsystem;
    case Start: return occurrence.startRow >= 0 ? time(occurrence.startTime) : QString();
    case End: return occurrence.endRow >= 0 ? time(occurrence.endTime) : QString();
    case Duration:
        if (!occurrence.hasDuration())
            return QString();
        return fullPrecision ? exactNumber(occurrence.duration()) : secondsText(occurrence.duration());
    case Outcome: return ActionOccurrence::outcomeText(occurrence.outcome);
    case SubActions: return QString::number(occurrence.action ? occurrence.action->children().size() : 0);
    case Cause: return texts.causes[size_t(run)];
    case Source:
        return size_t(occurrence.source) < texts.sourceNames.size() ? texts.sourceNames[size_t(occurrence.source)]
                                                                     : QString();
    default: return QString();
    }
}

QString statisticsCellText(const ActionStatistics &statistics, int column, bool fullPrecision)
{
    const auto seconds = [&](double value) {
        if (statistics.timed == 0)
            return QString();
        return fullPrecision ? exactNumber(value) : secondsText(value);
    };
    switch (column) {
    case StatName: return statistics.name;
    case StatCount: return QString::number(statistics.count);
    case StatCompleted: return QString::number(statistics.completed);
    case StatCancelled: return QString::number(statistics.cancelled);
    case StatNeverEnded: return QString::number(statistics.neverEnded);
    case StatMinimum: return seconds(statistics.minimum);
    case StatMedian: return seconds(statistics.median);
    case StatP95: return seconds(statistics.p95);
    case StatMaximum: return seconds(statistics.maximum);
    default: return QString();
    }
}

} // namespace RunColumns

namespace TableText {

QString tsvLine(const QStringList &cells)
{
    QStringList clean;
    clean.reserve(cells.size());
    for (QString cell : cells) {
        for (QChar &c : cell) {
            if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
                c = QLatin1Char(' ');
        }
        clean.push_back(cell);
    }
    return clean.join(QLatin1Char('\t'));
}

QString csvLine(const QStringList &cells)
{
    QString line;
    for (int i = 0; i < cells.size(); ++i) {
        if (i > 0)
            line += QLatin1Char(',');
        const QString &cell = cells[i];
        if (cell.contains(QLatin1Char(',')) || cell.contains(QLatin1Char('"')) || cell.contains(QLatin1Char('\n'))
            || cell.contains(QLatin1Char('\r'))) {
            QString quoted = cell;
            quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            line += QLatin1Char('"') + quoted + QLatin1Char('"');
        } else {
            line += cell;
        }
    }
    return line + QStringLiteral("\r\n");
}

} // namespace TableText
