#pragma once

#include "clioutput.h"

#include <QString>
#include <QStringList>

namespace cli {

enum class Command { None, Query, Count, Actions, Stats, Compare, Index, Help, Version };

// The command line of `mirtlog`, read but not yet acted on.
struct Options
{
    Command command = Command::None;
    Format format = Format::Tsv;
    bool merge = false;
    bool failedOnly = false;
    QString database;
    // compare: the one table to write; empty for all three.
    QString table;
    // The filter of query and count; hasFilter tells an empty filter from none.
    bool hasFilter = false;
    QString filter;
    QStringList files;
    // help: the command asked about; empty for the general usage.
    QString topic;
    // Set when the line cannot be used: what is wrong, for standard error.
    QString problem;
};

// Reads the arguments that follow the program's name.
Options parseOptions(const QStringList &arguments);

// The general usage, and a command's own with an example; empty for a
// command not known.
QString usage();
QString commandUsage(const QString &command);
QString versionText();

} // namespace cli
