// bench_viewer [--never-completed N] [LINES...]
// bench_viewer --file PATH
//
// For each size (default: 100000 and 1000000 lines, then 1000000 lines with
// 50000 actions that never complete) generates a robot log, loads it, builds
// a LogFileViewer on it and prints the times and the peak resident memory.
// Each size runs in a fresh process, so that every peak is its own. With
// --file, measures an existing log instead.

#include "logfile.h"
#include "logfileviewer.h"
#include "benchsupport.h"
#include "heaptuning.h"
#include "robotloggenerator.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

// Generates a log of `lines` lines, or with lines < 0 uses `existing`.
int runOne(int argc, char **argv, qint64 lines, qint64 neverCompleted, const QString &existing)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_viewer: no temporary directory\n");
        return 1;
    }
    QString path = existing;
    RobotLogStats stats;
    QElapsedTimer timer;
    timer.start();
    if (lines >= 0) {
        path = dir.filePath(QStringLiteral("robot.log"));
        RobotLogOptions options;
        options.lines = lines;
        options.neverCompleted = neverCompleted;
        QString error;
        if (!writeRobotLog(path, options, &stats, &error)) {
            std::fprintf(stderr, "bench_viewer: %s\n", qPrintable(error));
            return 1;
        }
    }
    const double generate = lapSeconds(timer);

    QStringList errors;
    std::shared_ptr<LogFile> file = LogFile::load(path, errors);
    const double load = lapSeconds(timer);
    if (!file) {
        std::fprintf(stderr, "bench_viewer: %s\n", qPrintable(errors.join(QLatin1Char('\n'))));
        return 1;
    }
    const long modelRss = statusMegabytes("VmRSS");

    auto viewer = std::make_unique<LogFileViewer>(file);
    const double build = lapSeconds(timer);
    const long peak = statusMegabytes("VmHWM");

    // What the user waits for next: the first paint, and moving the current row.
    viewer->resize(1200, 800);
    viewer->show();
    QCoreApplication::processEvents();
    const double show = lapSeconds(timer);
    const int top = viewer->topLevelItemCount();
    const int subRows = viewer->subActionRowCount();
    for (int i = 0; i < 1000 && top > 0; ++i)
        viewer->setCurrentItem(viewer->topLevelItem(int((qint64(i) * 7919) % top)));
    const double select = lapSeconds(timer) / 1000;

    viewer.reset();
    const double destroyViewer = lapSeconds(timer);
    file.reset();
    const double destroyFile = lapSeconds(timer);

    std::printf("lines=%lld load=%.2fs build=%.2fs peak_rss=%ldMB\n"
                "    never_completed=%lld actions=%lld entries=%d sub_action_rows=%d reader_messages=%d "
                "generate=%.2fs\n"
                "    rss_after_load=%ldMB show=%.2fs select=%.1fus destroy_viewer=%.2fs destroy_file=%.2fs\n",
                static_cast<long long>(stats.lines), load, build, peak,
                static_cast<long long>(stats.openActions), static_cast<long long>(stats.actions), top,
                subRows, int(errors.size()), generate, modelRss, show, select * 1e6, destroyViewer, destroyFile);
    std::fflush(stdout);
    return 0;
}

int runAll(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    QString neverCompleted = QStringLiteral("-1");
    const int option = arguments.indexOf(QStringLiteral("--never-completed"));
    if (option >= 0 && option + 1 < arguments.size()) {
        neverCompleted = arguments.at(option + 1);
        arguments.erase(arguments.begin() + option, arguments.begin() + option + 2);
    }

    QList<QStringList> runs;
    for (const QString &lines : qAsConst(arguments))
        runs.append({lines, neverCompleted});
    if (runs.isEmpty()) {
        runs = {{QStringLiteral("100000"), QStringLiteral("-1")},
                {QStringLiteral("1000000"), QStringLiteral("-1")},
                {QStringLiteral("1000000"), QStringLiteral("50000")}};
    }

    for (const QStringList &run : qAsConst(runs)) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--single"), run.at(0), run.at(1)});
        if (!child.waitForFinished(-1) || child.exitCode() != 0) {
            std::fprintf(stderr, "bench_viewer: run with %s lines failed\n", qPrintable(run.at(0)));
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    // Measure with the heap the program itself runs with.
    restartWithHugePageHeap(argv);

    if (argc == 4 && QByteArray(argv[1]) == "--single") {
        bool linesOk = false;
        bool countOk = false;
        const qint64 lines = QByteArray(argv[2]).toLongLong(&linesOk);
        const qint64 neverCompleted = QByteArray(argv[3]).toLongLong(&countOk);
        if (!linesOk || !countOk || lines < 0) {
            std::fprintf(stderr, "bench_viewer: bad arguments\n");
            return 2;
        }
        return runOne(argc, argv, lines, neverCompleted, QString());
    }
    if (argc == 3 && QByteArray(argv[1]) == "--file")
        return runOne(argc, argv, -1, 0, QString::fromLocal8Bit(argv[2]));
    return runAll(argc, argv);
}
