// The commands that write what the analysis panels show: actions, stats and
// compare.
#include "clisession.h"

#include "actionoccurrences.h"
#include "comparisoncolumns.h"
#include "runcolumns.h"
#include "runcomparison.h"
#include "runquery.h"
#include "runtexts.h"

namespace cli {

namespace {

// A column's key in JSON lines: its header in small letters, words joined
// by "_" ("Sub-actions" is "sub_actions").
QString keyOf(const QString &header)
{
    QString key;
    bool gap = false;
    for (const QChar c : header.toLower()) {
        if (c.isLetterOrNumber()) {
            if (gap && !key.isEmpty())
                key += QLatin1Char('_');
            key += c;
            gap = false;
        } else {
            gap = true;
        }
    }
    return key;
}

const Column fileColumn{QStringLiteral("file"), QStringLiteral("file"), false};

// The columns of the actions table, without Source: the file column names
// each run's own file.
const int runColumns[] = {RunColumns::Id,       RunColumns::Name,    RunColumns::Arguments, RunColumns::Subsystem,
                          RunColumns::Start,    RunColumns::End,     RunColumns::Duration,  RunColumns::Outcome,
                          RunColumns::SubActions, RunColumns::Cause};

bool isNumericRunColumn(int column)
{
    return column == RunColumns::Id || column == RunColumns::Start || column == RunColumns::End
           || column == RunColumns::Duration || column == RunColumns::SubActions;
}

// The names of a file's sources joined, for what a merged view counts as one.
QString viewName(const LogFile &file)
{
    QStringList names;
    for (const LogFile::Source &source : file.sources())
        names.push_back(source.path);
    return names.join(QLatin1Char('+'));
}

} // namespace

void runActions(Session &session)
{
    std::vector<Column> columns{fileColumn};
    for (int column : runColumns) {
        const QString header = RunColumns::headers().at(column);
        columns.push_back({header, keyOf(header), isNumericRunColumn(column)});
    }
    TableWriter table = session.table(columns);
    table.writeHeader();
    session.forEachFile([&](const std::shared_ptr<LogFile> &file) {
        const LogFile::ReadAccess reading(*file);
        const auto analysis = ActionAnalysis::compute(reading, reading.count());
        const auto texts = RunTexts::make(*analysis, reading);
        RunQuery query;
        query.onlyFailures = session.options().failedOnly;
        for (int run : query.select(*analysis, *texts)) {
            const size_t source = size_t(analysis->occurrences[size_t(run)].source);
            QStringList cells{source < file->sources().size() ? file->sources()[source].path : file->path()};
            for (int column : runColumns)
                cells.push_back(RunColumns::cellText(*analysis, *texts, run, column, true));
            if (!table.writeRow(cells))
                return false;
            session.found();
        }
        return session.out().ok();
    });
}

void runStats(Session &session)
{
    std::vector<Column> columns{fileColumn};
    for (const QString &header : RunColumns::statisticsHeaders())
        columns.push_back({header, keyOf(header), header != RunColumns::statisticsHeaders().first()});
    TableWriter table = session.table(columns);
    table.writeHeader();
    session.forEachFile([&](const std::shared_ptr<LogFile> &file) {
        const auto analysis = ActionAnalysis::compute(*file, file->entries().size());
        const QString name = viewName(*file);
        for (const ActionStatistics &row : analysis->statisticsOf(RunQuery().runsForStatistics(*analysis))) {
            QStringList cells{name};
            for (int column = 0; column < RunColumns::StatColumnCount; ++column)
                cells.push_back(RunColumns::statisticsCellText(row, column, true));
            if (!table.writeRow(cells))
                return false;
            session.found();
        }
        return session.out().ok();
    });
}

namespace {

const char *const tableNames[] = {"names", "sequence", "errors"};

// One of the comparison's tables; in JSON lines each row says which.
bool writeComparisonTable(Session &session, const RunComparison &comparison, ComparisonColumns::Table which)
{
    const bool json = session.options().format == Format::Jsonl;
    const QString name = QLatin1String(tableNames[which]);
    std::vector<Column> columns;
    if (json)
        columns.push_back({QStringLiteral("table"), QStringLiteral("table"), false});
    const QStringList headers = ComparisonColumns::headers(which);
    for (int column = 0; column < headers.size(); ++column) {
        // "Δ Median (B − A)" has no key of its own letters alone.
        const QString key = which == ComparisonColumns::ByName && column == ComparisonColumns::DeltaMedian
                                ? QStringLiteral("delta_median")
                                : keyOf(headers[column]);
        columns.push_back({headers[column], key, ComparisonColumns::isNumeric(which, column)});
    }
    TableWriter table = session.table(columns);
    table.writeHeader();
    for (int row = 0; row < ComparisonColumns::rowCount(comparison, which); ++row) {
        QStringList cells;
        if (json)
            cells.push_back(name);
        for (int column = 0; column < headers.size(); ++column)
            cells.push_back(ComparisonColumns::text(comparison, which, row, column, true));
        if (!table.writeRow(cells))
            return false;
    }
    return session.out().ok();
}

} // namespace

bool runCompare(Session &session)
{
    const std::vector<std::shared_ptr<LogFile>> files = session.readAll();
    if (!files[0] || !files[1])
        return false;
    const auto comparison =
        RunComparison::compute(LogFile::ReadAccess(*files[0]), LogFile::ReadAccess(*files[1]));
    bool first = true;
    for (int which = 0; which < ComparisonColumns::TableCount; ++which) {
        const QString &only = session.options().table;
        if (!only.isEmpty() && only != QLatin1String(tableNames[which]))
            continue;
        // The tables of text formats follow one another, an empty line
        // between them.
        if (!first && session.options().format != Format::Jsonl)
            session.out().write(QByteArray(session.options().format == Format::Csv ? "\r\n" : "\n"));
        first = false;
        if (!writeComparisonTable(session, *comparison, ComparisonColumns::Table(which)))
            break;
    }
    return comparison->firstDifference >= 0 || !comparison->newErrors.empty();
}

} // namespace cli
