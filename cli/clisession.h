#pragma once

#include "clioptions.h"
#include "clioutput.h"
#include "compiledfilter.h"
#include "logfile.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace cli {

// What one run of `mirtlog` shares between its steps: the options, the
// output, the messages on standard error and what decides the exit status.
class Session final
{
public:
    Session(Options options, std::FILE *out, std::FILE *err);
    Q_DISABLE_COPY_MOVE(Session)

    const Options &options() const { return given; }
    OutputStream &out() { return output; }
    TableWriter table(std::vector<Column> columns) { return TableWriter(output, given.format, std::move(columns)); }

    // A line on standard error after "mirtlog: ".
    void fail(const QString &message);
    // The filter of query and count, compiled; null (after a message) when
    // it does not parse.
    std::shared_ptr<const CompiledFilter> compileFilter();

    // Calls `visit` with each file read, in the order given, or once with
    // all of them merged by time (--merge); a file that cannot be read is
    // reported and left out. Stops once `visit` returns false.
    using Visit = std::function<bool(const std::shared_ptr<LogFile> &file)>;
    void forEachFile(const Visit &visit);
    // Reads the files given (all, one after the other), for commands that
    // need them together; null for one that cannot be read.
    std::vector<std::shared_ptr<LogFile>> readAll();

    // Per entry of the file, whether the filter keeps it, judged on every
    // core; empty when it keeps every entry.
    static std::vector<char> judge(const std::shared_ptr<LogFile> &file,
                                   const std::shared_ptr<const CompiledFilter> &filter);

    // Something was written: rows of a table.
    void found(qint64 rows = 1) { rowsFound += rows; }
    // The exit status: 2 after an error, 0 when the output was closed or
    // rows were found, 1 otherwise.
    int status();

private:
    void reportProblems(const LogFile &file, const QString &name);
    std::shared_ptr<LogFile> mergeFiles(std::vector<std::shared_ptr<LogFile>> files);

    Options given;
    OutputStream output;
    std::FILE *err;
    bool failed = false;
    qint64 rowsFound = 0;
};

// The commands, each writing its output through the session.
void runQuery(Session &session);
void runCount(Session &session);
void runActions(Session &session);
void runStats(Session &session);
// Returns whether the runs differ.
bool runCompare(Session &session);

} // namespace cli
