#include "clioptions.h"

#include <QCoreApplication>

namespace cli {

namespace {

struct CommandInfo
{
    const char *name;
    Command command;
    const char *usage;
};

const CommandInfo commands[] = {
    {"query", Command::Query,
     "usage: mirtlog query [--format tsv|csv|jsonl] [--merge] [FILTER] FILE...\n"
     "Writes the records the filter keeps (every record without a filter), file after file,\n"
     "with the columns file, line, time, type, subsystem, action, activity and message.\n"
     "The filter is the window's filter language; it is the first argument when two or\n"
     "more are given.\n\n"
     "example: mirtlog query 'type == \"error\" && subsystem == \"gripper\"' robot.log\n"},
    {"count", Command::Count,
     "usage: mirtlog count [--format tsv|csv|jsonl] [--merge] [FILTER] FILE...\n"
     "Writes how many records the filter keeps in each file, and the total when there\n"
     "are several files.\n\n"
     "example: mirtlog count 'type == \"error\"' robot.log\n"},
    {"actions", Command::Actions,
     "usage: mirtlog actions [--failed] [--format tsv|csv|jsonl] [--merge] FILE...\n"
     "Writes the runs of actions as the actions table shows them: Id, Name, Arguments,\n"
     "Subsystem, Start, End, Duration, Outcome, Sub-actions and Cause. --failed keeps\n"
     "the runs that did not complete.\n\n"
     "example: mirtlog actions --failed --format jsonl run.log | grep -q '\"name\":\"Grip\"'\n"},
    {"stats", Command::Stats,
     "usage: mirtlog stats [--format tsv|csv|jsonl] [--merge] FILE...\n"
     "Writes the statistics per action name: Name, Count, Completed, Cancelled,\n"
     "Never ended, and the Min, Median, P95 and Max of the durations in seconds.\n\n"
     "example: mirtlog stats --format csv run.log > durations.csv\n"},
    {"compare", Command::Compare,
     "usage: mirtlog compare [--format tsv|csv|jsonl] [--table names|sequence|errors] A B\n"
     "Compares run B with run A, the good one: the actions by name, the sequence of\n"
     "top-level runs side by side, and B's errors and warnings that A never had. The\n"
     "tables follow one another, an empty line between them; --table writes one.\n"
     "Exits with 0 when the runs agree, 1 when they differ.\n\n"
     "example: mirtlog compare --table errors good.log bad.log\n"},
    {"index", Command::Index,
     "usage: mirtlog index --db FILE.sqlite FILE...\n"
     "Writes the records of the files into an index database.\n\n"
     "example: mirtlog index --db runs.sqlite run1.log run2.log\n"},
    {"help", Command::Help,
     "usage: mirtlog help [COMMAND]\n"
     "Writes the usage of mirtlog, or of one command with an example.\n\n"
     "example: mirtlog help query\n"},
};

const CommandInfo *commandNamed(const QString &name)
{
    for (const CommandInfo &info : commands) {
        if (name == QLatin1String(info.name))
            return &info;
    }
    return nullptr;
}

bool readFormat(const QString &text, Options &options)
{
    if (text == QLatin1String("tsv"))
        options.format = Format::Tsv;
    else if (text == QLatin1String("csv"))
        options.format = Format::Csv;
    else if (text == QLatin1String("jsonl"))
        options.format = Format::Jsonl;
    else
        return false;
    return true;
}

// Reads one option at `index` (advancing past its value); false when it is
// not one the command knows.
bool readOption(const QStringList &arguments, int &index, Options &options)
{
    QString name = arguments[index];
    QString value;
    bool hasValue = false;
    const int equals = name.indexOf(QLatin1Char('='));
    if (name.startsWith(QLatin1String("--")) && equals > 0) {
        value = name.mid(equals + 1);
        name = name.left(equals);
        hasValue = true;
    }
    const bool takesValue = name == QLatin1String("--format") || name == QLatin1String("--db")
                            || name == QLatin1String("--table");
    if (takesValue && !hasValue) {
        if (index + 1 >= arguments.size()) {
            options.problem = QStringLiteral("option %1 needs a value").arg(name);
            return false;
        }
        value = arguments[++index];
    } else if (!takesValue && hasValue) {
        options.problem = QStringLiteral("option %1 takes no value").arg(name);
        return false;
    }
    const Command command = options.command;
    if (name == QLatin1String("--format") && command != Command::Index) {
        if (!readFormat(value, options))
            options.problem = QStringLiteral("unknown format '%1' (tsv, csv or jsonl)").arg(value);
    } else if (name == QLatin1String("--merge")
               && (command == Command::Query || command == Command::Count || command == Command::Actions
                   || command == Command::Stats)) {
        options.merge = true;
    } else if (name == QLatin1String("--failed") && command == Command::Actions) {
        options.failedOnly = true;
    } else if (name == QLatin1String("--db") && command == Command::Index) {
        options.database = value;
    } else if (name == QLatin1String("--table") && command == Command::Compare) {
        if (value != QLatin1String("names") && value != QLatin1String("sequence") && value != QLatin1String("errors"))
            options.problem = QStringLiteral("unknown table '%1' (names, sequence or errors)").arg(value);
        options.table = value;
    } else {
        options.problem = QStringLiteral("unknown option %1").arg(arguments[index]);
    }
    return options.problem.isEmpty();
}

// What the positional arguments mean to the command.
void assignPositionals(const QStringList &positionals, Options &options)
{
    QStringList files = positionals;
    switch (options.command) {
    case Command::Help:
        if (files.size() > 1)
            options.problem = QStringLiteral("help takes one command");
        else if (!files.isEmpty() && !commandNamed(files.first()))
            options.problem = QStringLiteral("unknown command '%1'").arg(files.first());
        else
            options.topic = files.value(0);
        return;
    case Command::Query:
    case Command::Count:
        if (files.size() >= 2) {
            options.hasFilter = true;
            options.filter = files.takeFirst();
        }
        break;
    case Command::Compare:
        if (files.size() != 2)
            options.problem = QStringLiteral("compare takes two files");
        break;
    case Command::Index:
        if (options.database.isEmpty())
            options.problem = QStringLiteral("index needs --db FILE");
        break;
    default: break;
    }
    if (options.problem.isEmpty() && files.isEmpty())
        options.problem = QStringLiteral("no file given");
    options.files = files;
}

} // namespace

Options parseOptions(const QStringList &arguments)
{
    Options options;
    int index = 0;
    // Options of the program itself come before the command.
    for (; index < arguments.size() && options.command == Command::None; ++index) {
        const QString &argument = arguments[index];
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.command = Command::Help;
            return options;
        }
        if (argument == QLatin1String("--version")) {
            options.command = Command::Version;
            return options;
        }
        if (const CommandInfo *info = commandNamed(argument)) {
            options.command = info->command;
        } else {
            options.problem = argument.startsWith(QLatin1Char('-'))
                                  ? QStringLiteral("unknown option %1").arg(argument)
                                  : QStringLiteral("unknown command '%1'").arg(argument);
            return options;
        }
    }
    if (options.command == Command::None) {
        options.problem = QStringLiteral("no command given");
        return options;
    }
    QStringList positionals;
    bool optionsEnded = false;
    for (; index < arguments.size(); ++index) {
        const QString &argument = arguments[index];
        if (optionsEnded || argument == QLatin1String("-") || !argument.startsWith(QLatin1Char('-'))) {
            positionals.push_back(argument);
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            // A command's own usage.
            options.topic = commandUsage(arguments[0]).isEmpty() ? QString() : arguments[0];
            options.command = Command::Help;
            return options;
        } else if (!readOption(arguments, index, options)) {
            return options;
        }
    }
    assignPositionals(positionals, options);
    return options;
}

QString usage()
{
    return QStringLiteral(
        "usage: mirtlog COMMAND [OPTIONS] [FILTER] FILE...\n"
        "Reads robot control logs as the window does, and writes what it finds.\n\n"
        "commands:\n"
        "  query [FILTER] FILE...   the records the filter keeps\n"
        "  count [FILTER] FILE...   how many records the filter keeps, per file\n"
        "  actions [--failed] FILE...  the runs of actions\n"
        "  stats FILE...            the statistics per action name\n"
        "  compare A B              run B compared with run A\n"
        "  index --db DB FILE...    write the records into an index database\n"
        "  help [COMMAND]           the usage of a command, with an example\n\n"
        "options:\n"
        "  --format tsv|csv|jsonl   tab-separated with a header line (the default),\n"
        "                           comma-separated (RFC 4180), or one JSON object a line\n"
        "  --merge                  one view of all files, their records merged by time\n"
        "  --help, --version\n\n"
        "A FILE of - is standard input. Exit status: 0 when something was found (for\n"
        "compare: the runs agree), 1 when nothing was, 2 on errors.\n");
}

QString commandUsage(const QString &command)
{
    const CommandInfo *info = commandNamed(command);
    return info ? QString::fromUtf8(info->usage) : QString();
}

QString versionText()
{
    return QStringLiteral("mirtlog %1\n").arg(QStringLiteral(MIRT_VERSION));
}

} // namespace cli
