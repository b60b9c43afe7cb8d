// The commands that write records or count them: query and count.
#include "clisession.h"

#include "entrypresentation.h"
#include "logfileentry.h"
#include "runcolumns.h"

namespace cli {

namespace {

std::vector<Column> recordColumns()
{
    const auto column = [](const char *name, bool numeric) {
        return Column{QLatin1String(name), QLatin1String(name), numeric};
    };
    return {column("file", false),      column("line", true),   column("time", true),
            column("type", false),      column("subsystem", false), column("action", true),
            column("activity", false),  column("message", false)};
}

// A record's row: its file, its line there, and the cells the tree shows,
// the time with every digit.
QStringList recordCells(const LogFile &file, int number, const LogFileEntry &entry)
{
    const auto &sources = file.sources();
    const size_t source = size_t(entry.source());
    return {source < sources.size() ? sources[source].path : file.path(),
            QString::number(file.lineOf(number)),
            RunColumns::exactNumber(entry.time()),
            EntryPresentation::cellText(entry, EntryPresentation::TypeColumn),
            EntryPresentation::cellText(entry, EntryPresentation::SubsystemColumn),
            EntryPresentation::cellText(entry, EntryPresentation::ActionColumn),
            EntryPresentation::cellText(entry, EntryPresentation::ActivityColumn),
            EntryPresentation::cellText(entry, EntryPresentation::MessageColumn)};
}

} // namespace

void runQuery(Session &session)
{
    const auto filter = session.compileFilter();
    if (!filter)
        return;
    TableWriter table = session.table(recordColumns());
    table.writeHeader();
    session.forEachFile([&](const std::shared_ptr<LogFile> &file) {
        const std::vector<char> kept = Session::judge(file, filter);
        const EntryList &entries = file->entries();
        for (int number = 0; number < entries.size(); ++number) {
            if (!kept.empty() && !kept[size_t(number)])
                continue;
            if (!table.writeRow(recordCells(*file, number, *entries.at(number))))
                return false;
            session.found();
        }
        return session.out().ok();
    });
}

void runCount(Session &session)
{
    const auto filter = session.compileFilter();
    if (!filter)
        return;
    TableWriter table = session.table(
        {Column{QStringLiteral("file"), QStringLiteral("file"), false},
         Column{QStringLiteral("count"), QStringLiteral("count"), true}});
    table.writeHeader();
    qint64 total = 0;
    int rows = 0;
    session.forEachFile([&](const std::shared_ptr<LogFile> &file) {
        const std::vector<char> kept = Session::judge(file, filter);
        // Per source: a merged view counts each of its files.
        std::vector<qint64> counts(file->sources().size(), 0);
        const EntryList &entries = file->entries();
        for (int number = 0; number < entries.size(); ++number) {
            if (kept.empty() || kept[size_t(number)])
                ++counts[std::min(size_t(entries.at(number)->source()), counts.size() - 1)];
        }
        for (size_t source = 0; source < counts.size(); ++source) {
            table.writeRow({file->sources()[source].path, QString::number(counts[source])});
            total += counts[source];
            ++rows;
        }
        return session.out().ok();
    });
    if (rows > 1)
        table.writeRow({QStringLiteral("(total)"), QString::number(total)});
    session.found(total);
}

} // namespace cli
