#include "clirun.h"

#include "clioptions.h"
#include "clisession.h"

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

// The index database is written by a build that has it.
int index(std::FILE *err)
{
    return writeText(err, QStringLiteral("mirtlog: index: not available in this build\n"), 2);
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
    case Command::Index: return index(err);
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
