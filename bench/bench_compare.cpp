// bench_compare [LINES]
//
// Writes two generated robot logs (default 1,000,000 lines each) of
// different variants, reads them, and prints how long their comparison
// takes: once as the widget-free computation alone, then as the comparison
// page shows it, from the start to the tables being filled, with the
// longest event-loop stall meanwhile.

#include "benchsupport.h"
#include "logfile.h"
#include "robotloggenerator.h"
#include "runcomparison.h"
#include "runcomparisonview.h"
#include "windowbench.h"

#include <QElapsedTimer>
#include <QTableView>

#include <cstdio>

namespace {

std::shared_ptr<LogFile> generated(WindowBenchApplication &app, qint64 lines, quint64 variant)
{
    RobotLogOptions options;
    options.lines = lines;
    options.variant = variant;
    const QString path = app.filePath(QStringLiteral("run%1.log").arg(variant));
    QString error;
    if (!writeRobotLog(path, options, nullptr, &error)) {
        std::fprintf(stderr, "bench_compare: %s\n", qPrintable(error));
        return nullptr;
    }
    QStringList errors;
    return LogFile::load(path, errors);
}

int rows(RunComparisonView &view, const char *table)
{
    return view.findChild<QTableView *>(QLatin1String(table))->model()->rowCount();
}

} // namespace

int main(int argc, char *argv[])
{
    WindowBenchApplication app(argv[0]);
    const qint64 lines = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    QElapsedTimer clock;
    clock.start();
    const std::shared_ptr<LogFile> good = generated(app, lines, 1);
    const std::shared_ptr<LogFile> doubtful = generated(app, lines, 2);
    if (!good || !doubtful)
        return 1;
    std::printf("two logs of %lld lines written and read in %.3fs\n", static_cast<long long>(lines),
                clock.nsecsElapsed() / 1e9);

    {
        clock.restart();
        const LogFile::ReadAccess readA(*good);
        const LogFile::ReadAccess readB(*doubtful);
        const auto comparison = RunComparison::compute(readA, readB);
        std::printf("  comparison alone                   %.3fs: %zu names, %zu sequence rows, %zu new templates\n",
                    clock.nsecsElapsed() / 1e9, comparison->byName.size(), comparison->sequence.size(),
                    comparison->newErrors.size());
    }

    RunComparisonView view({good, QString()}, {doubtful, QString()});
    view.resize(1400, 900);
    view.show();
    StallClock stalls;
    clock.restart();
    while (view.isBusy() || rows(view, "comparisonByName") == 0)
        turn();
    const double seconds = clock.nsecsElapsed() / 1e9;
    QCoreApplication::processEvents();
    stalls.stop();
    std::printf("  comparison page                    %.3fs, longest stall %.3fs, %d sequence rows\n", seconds,
                stalls.longestGap(), rows(view, "comparisonSequence"));
    std::printf("  %s\n", qPrintable(view.statusText()));
    return 0;
}
