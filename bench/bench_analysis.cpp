// bench_analysis [LINES]
//
// Opens a generated robot log (default 1,000,000 lines) in the real window,
// shows the Actions and Timeline panels, and prints how long the analysis
// took to appear (with the longest event-loop stall meanwhile), how long
// the actions table takes to sort by each column, and how long the
// timeline takes to repaint when all of it shows and when zoomed in.

#include "actionspanel.h"
#include "actiontablemodel.h"
#include "actiontimeline.h"
#include "mirtlogfileanalyzer.h"
#include "benchsupport.h"
#include "heaptuning.h"
#include "robotloggenerator.h"
#include "windowbench.h"

#include <QAction>
#include <QElapsedTimer>
#include <QImage>
#include <QTableView>

#include <cstdio>

int main(int argc, char *argv[])
{
    restartWithHugePageHeap(argv);
    WindowBenchApplication app(argv[0]);

    RobotLogOptions options;
    options.lines = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    const QString path = app.filePath(QStringLiteral("robot.log"));
    QString error;
    if (!writeRobotLog(path, options, nullptr, &error)) {
        std::fprintf(stderr, "bench_analysis: %s\n", qPrintable(error));
        return 1;
    }

    MirtLogFileAnalyzer window;
    window.resize(1400, 900);
    window.show();
    window.openLogFile(path);
    waitUntilIdle(window);

    // Show the panels: until the table has its rows, with the longest gap
    // between the ticks of a 10 ms timer.
    QElapsedTimer clock;
    clock.start();
    StallClock stalls;
    window.findChild<QAction *>(QStringLiteral("viewActions"))->trigger();
    window.findChild<QAction *>(QStringLiteral("viewTimeline"))->trigger();
    auto *panel = window.findChild<ActionsPanel *>();
    while (!panel || panel->table()->model()->rowCount() == 0) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        panel = window.findChild<ActionsPanel *>();
    }
    QCoreApplication::processEvents();
    const double shown = clock.elapsed() / 1e3;
    stalls.stop();
    QTableView *table = panel->table();
    const int runs = table->model()->rowCount();
    std::printf("runs=%d panels shown after %.2fs, longest stall %.3fs, peak_rss=%ldMB\n", runs, shown,
                stalls.longestGap(), statusMegabytes("VmHWM"));

    double slowest = 0;
    for (int column = 0; column < ActionTableModel::ColumnCount; ++column) {
        QElapsedTimer timer;
        timer.start();
        table->sortByColumn(column, Qt::AscendingOrder);
        const double seconds = timer.nsecsElapsed() / 1e9;
        slowest = std::max(slowest, seconds);
        std::printf("  sort by %-11s %.3fs\n",
                    qPrintable(table->model()->headerData(column, Qt::Horizontal).toString()), seconds);
    }
    std::printf("slowest sort=%.3fs\n", slowest);

    auto *timeline = window.findChild<ActionTimeline *>();
    // As wide as a desktop window, whatever room the dock has here.
    timeline->resize(1400, 400);
    QImage image(timeline->size(), QImage::Format_ARGB32_Premultiplied);
    const double from = timeline->visibleFrom();
    const double to = timeline->visibleTo();
    for (double zoom : {1.0, 10.0, 1000.0}) {
        const double middle = (from + to) / 2;
        timeline->setVisibleRange(middle - (to - from) / zoom / 2, middle + (to - from) / zoom / 2);
        QElapsedTimer timer;
        timer.start();
        const int paints = 10;
        for (int i = 0; i < paints; ++i)
            timeline->render(&image);
        std::printf("timeline repaint at %gx zoom=%.1fms (%dx%d)\n", zoom, timer.nsecsElapsed() / 1e6 / paints,
                    timeline->width(), timeline->height());
    }
    return 0;
}
