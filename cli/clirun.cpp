#include "clirun.h"

#include "clioptions.h"
#include "clisession.h"
#include "localpath.h"
#include "runstore.h"

namespace cli {

namespace {

int writeText(std::FILE *file, const QString &text, int status)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file);
    std::fflush(file);
    return status;
}

int help(const Options &options, std::FILE *out)
{
    return writeText(out, options.topic.isEmpty() ? usage() : commandUsage(options.topic), 0);
}

// Writes the files' records and runs into the store at --db: a line per
// file (its path, indexed or skipped, its records and runs) on standard
// output, and a file that cannot be indexed on standard error.
int index(const Options &options, std::FILE *out, std::FILE *err)
{
    RunStore store;
    QString error;
    if (!store.open(options.database, &error))
        return writeText(err, QStringLiteral("mirtlog: index: %1\n").arg(error), 2);
    int failed = 0;
    int written = 0;
    writeText(out, QStringLiteral("file\toutcome\trecords\truns\n"), 0);
    store.index(options.files, nullptr, [&](const RunStore::FileReport &report) {
        if (report.outcome == RunStore::FileReport::Failed) {
            ++failed;
            writeText(err, QStringLiteral("%1: %2\n").arg(displayPath(report.path), report.error), 0);
            return;
        }
        ++written;
        const QString outcome =
            report.outcome == RunStore::FileReport::Indexed ? QStringLiteral("indexed") : QStringLiteral("skipped");
        writeText(out,
                  QStringLiteral("%1\t%2\t%3\t%4\n")
                      .arg(displayPath(report.path), outcome)
                      .arg(report.records)
                      .arg(report.runs),
                  0);
    });
    return failed > 0 ? 2 : (written > 0 ? 0 : 1);
}

} // namespace

int run(const QStringList &arguments, std::FILE *out, std::FILE *err)
{
    Options options = parseOptions(arguments);
    if (!options.problem.isEmpty())
        return writeText(err, QStringLiteral("mirtlog: %1\n\n%2").arg(options.problem, usage()), 2);
    switch (options.command) {
    case Command::Help: return help(options, out);
    case Command::Version: return writeText(out, versionText(), 0);
    case Command::Index: return index(options, out, err);
    default: break;
    }
    Session session(std::move(options), out, err);
    switch (session.options().command) {
    case Command::Query: runQuery(session); break;
    case Command::Count: runCount(session); break;
    case Command::Actions: runActions(session); break;
    case Command::Stats: runStats(session); break;
    case Command::Compare: {
        // As diff does: 1 when the runs differ.
        const bool differ = runCompare(session);
        if (session.status() == 2)
            return 2;
        return differ && !session.out().closed() ? 1 : 0;
    }
    default: break;
    }
    return session.status();
}

} // namespace cli
