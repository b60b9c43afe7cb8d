// bench_filter [LINES]
//
// Opens a generated robot log (default 1,000,000 lines) in the real main
// window, types `time > 5 && contains(message, "drive")` into the filter line
// and measures the whole Return, from parsing to the last row hidden; then a
// second filter over the same tab and the empty filter that shows every row.
// Prints the times and the peak resident memory.

#include "mirtlogfileanalyzer.h"
#include "benchsupport.h"
#include "heaptuning.h"
#include "robotloggenerator.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTreeWidget>

#include <cstdio>

namespace {

int visibleRows(QTreeWidget *viewer)
{
    int count = 0;
    for (int row = 0; row < viewer->topLevelItemCount(); ++row)
        count += viewer->isRowHidden(row, QModelIndex()) ? 0 : 1;
    return count;
}

} // namespace

int main(int argc, char *argv[])
{
    // Measure with the heap the program itself runs with.
    restartWithHugePageHeap(argv);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    // Keep the user's settings out of it.
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toLocal8Bit());
    int appArgc = 1;
    QApplication app(appArgc, argv);

    RobotLogOptions options;
    options.lines = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    const QString path = dir.filePath(QStringLiteral("robot.log"));
    QString error;
    if (!writeRobotLog(path, options, nullptr, &error)) {
        std::fprintf(stderr, "bench_filter: %s\n", qPrintable(error));
        return 1;
    }

    MirtLogFileAnalyzer window;
    window.openLogFile(path);
    auto *viewer = qobject_cast<QTreeWidget *>(window.findChild<QTabWidget *>()->currentWidget());
    auto *edit = window.findChild<QToolBar *>()->findChild<QLineEdit *>();
    if (!viewer || !edit) {
        std::fprintf(stderr, "bench_filter: no viewer\n");
        return 1;
    }
    const long rssBefore = statusMegabytes("VmRSS");

    QElapsedTimer timer;
    window.resize(1200, 800);
    window.show();
    QCoreApplication::processEvents();
    double relayout = 0;
    const auto press = [&](const QString &text) {
        edit->setText(text);
        timer.start();
        emit edit->returnPressed();
        const double seconds = timer.nsecsElapsed() / 1e9;
        // What the user waits for on top: the view laying out the rows left.
        timer.restart();
        QCoreApplication::processEvents();
        relayout = timer.nsecsElapsed() / 1e9;
        return seconds;
    };

    const double first = press(QStringLiteral("time > 5 && contains(message, \"drive\")"));
    const double firstRelayout = relayout;
    const int shownFirst = visibleRows(viewer);
    const double second = press(QStringLiteral("type == \"error\" || type == \"warning\""));
    const int shownSecond = visibleRows(viewer);
    const double empty = press(QString());
    const int shownAll = visibleRows(viewer);

    std::printf("rows=%d filter=%.2fs (shown %d, then relayout %.2fs) refilter=%.2fs (shown %d) empty=%.2fs (shown %d) "
                "rss_before=%ldMB peak_rss=%ldMB\n",
                viewer->topLevelItemCount(), first, shownFirst, firstRelayout, second, shownSecond, empty, shownAll, rssBefore,
                statusMegabytes("VmHWM"));
    return 0;
}
