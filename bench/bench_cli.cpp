// bench_cli [LINES] [RUNS]
// The command-line tool on a generated log: each command in a process of its
// own, its output thrown away, timed from start to exit, with the process's
// peak resident memory.

#include "robotloggenerator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Figures
{
    double seconds = 0;
    long peakKilobytes = 0;
    int status = -1;
};

// Runs `program` with `arguments`, standard output to /dev/null.
Figures runOnce(const QByteArray &program, const std::vector<QByteArray> &arguments)
{
    std::vector<char *> argv{const_cast<char *>(program.constData())};
    for (const QByteArray &argument : arguments)
        argv.push_back(const_cast<char *>(argument.constData()));
    argv.push_back(nullptr);
    QElapsedTimer timer;
    timer.start();
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    Figures figures;
    int status = 0;
    struct rusage usage = {};
    if (child > 0 && ::wait4(child, &status, 0, &usage) == child) {
        figures.seconds = double(timer.nsecsElapsed()) / 1e9;
        figures.peakKilobytes = usage.ru_maxrss;
        figures.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return figures;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const qint64 lines = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    const int runs = argc > 2 ? std::max(1, QByteArray(argv[2]).toInt()) : 3;
    const QByteArray program = (QCoreApplication::applicationDirPath() + QStringLiteral("/mirtlog")).toLocal8Bit();

    QTemporaryDir directory;
    const QString log = directory.filePath(QStringLiteral("robot.log"));
    RobotLogOptions options;
    options.lines = lines;
    RobotLogStats stats;
    QString error;
    if (!directory.isValid() || !writeRobotLog(log, options, &stats, &error)) {
        std::fprintf(stderr, "bench_cli: cannot write the log: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%lld lines, %lld records; best and worst of %d runs\n", static_cast<long long>(stats.lines),
                static_cast<long long>(stats.records), runs);
    const QByteArray path = log.toLocal8Bit();
    const std::vector<std::pair<const char *, std::vector<QByteArray>>> cases{
        {"count 'type == \"error\"'", {"count", "type == \"error\"", path}},
        {"count 'time > 5 && contains(message, \"drive\")'",
         {"count", "time > 5 && contains(message, \"drive\")", path}},
        {"query 'type == \"error\"' > /dev/null", {"query", "type == \"error\"", path}},
        {"query (every record) > /dev/null", {"query", path}},
        {"query --format jsonl (every record) > /dev/null", {"query", "--format", "jsonl", path}},
        {"actions > /dev/null", {"actions", path}},
        {"actions --failed > /dev/null", {"actions", "--failed", path}},
        {"stats", {"stats", path}},
    };
    for (const auto &[name, arguments] : cases) {
        std::vector<Figures> all;
        for (int run = 0; run < runs; ++run)
            all.push_back(runOnce(program, arguments));
        const auto [fastest, slowest] = std::minmax_element(
            all.begin(), all.end(), [](const Figures &a, const Figures &b) { return a.seconds < b.seconds; });
        long peak = 0;
        for (const Figures &figures : all)
            peak = std::max(peak, figures.peakKilobytes);
        std::printf("mirtlog %-52s %.3f-%.3f s, peak %ld MB, exit %d\n", name, fastest->seconds, slowest->seconds,
                    peak / 1024, all.front().status);
        std::fflush(stdout);
    }
    return 0;
}
