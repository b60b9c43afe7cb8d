// bench_lines [LINES]
//
// Line numbers and clock time in the real window on a generated robot log
// (default 1,000,000 lines): turning View > Line Numbers on and off, setting
// a time origin, Go to Line near the end (unfiltered and filtered), counting
// a number with the Line and Clock cells searched, copying 10,000 rows and
// exporting the shown cells. Prints how long each step took and the longest
// time the event loop did not turn during it.

#include "mirtlogfileanalyzer.h"
#include "logfileviewer.h"
#include "windowbench.h"

#include <QAction>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

// Runs `step`, then turns the event loop until `done`; prints the time taken
// and the longest gap between the ticks of a 10 ms timer meanwhile.
template <typename Step, typename Done>
void measure(const char *name, Step step, Done done)
{
    QElapsedTimer clock;
    QElapsedTimer sinceTick;
    qint64 longest = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, sinceTick.restart());
    });
    ticker.start();
    clock.start();
    sinceTick.start();
    step();
    longest = std::max(longest, sinceTick.elapsed());
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        longest = std::max(longest, sinceTick.elapsed());
    }
    std::printf("%-44s %8.1f ms   longest stall %5lld ms\n", name, clock.nsecsElapsed() / 1e6, longest);
}

} // namespace

int main(int argc, char **argv)
{
    WindowBenchApplication app(argv[0]);
    const qint64 lines = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    const QString path = app.writeLog(lines);
    if (path.isEmpty())
        return 1;
    MirtLogFileAnalyzer window;
    window.show();
    const auto idle = [&window] { return !window.isBusy(); };
    window.openLogFiles({path}, true);
    while (!idle())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    auto *viewer = qobject_cast<LogFileViewer *>(window.findChild<QTabWidget *>(QStringLiteral("tabs"))->currentWidget());
    // Done once the event loop has turned a few times: the layout and the
    // paint a step asks for come then.
    int turns = 0;
    const auto now = [&turns] { return ++turns % 4 == 0; };
    QAction *lineNumbers = window.findChild<QAction *>(QStringLiteral("viewLineNumbers"));
    std::printf("%d records\n", viewer->topLevelItemCount());

    measure("Line Numbers on (first time)", [&] { lineNumbers->trigger(); }, now);
    measure("Line Numbers off", [&] { lineNumbers->trigger(); }, now);
    measure("Line Numbers on again", [&] { lineNumbers->trigger(); }, now);
    measure("set a time origin (first time)",
            [&] { viewer->setTimeOrigin(QDateTime(QDate(2024, 5, 17), QTime(8, 0), Qt::UTC)); }, now);
    const qint64 late = viewer->lineOfEntry(viewer->topLevelItemCount() - 10) + 1;
    measure("Go to Line near the end", [&] { viewer->goToLine(late); }, now);

    auto *filter = window.findChild<QLineEdit *>(QStringLiteral("filterEdit"));
    filter->setText(QStringLiteral("type == \"error\""));
    measure("filter type == \"error\"", [&] { QTest::keyClick(filter, Qt::Key_Return); }, idle);
    measure("Go to Line, filtered", [&] { viewer->goToLine(late / 2); }, now);
    filter->clear();
    measure("filter cleared", [&] { QTest::keyClick(filter, Qt::Key_Return); }, idle);

    const auto counted = [&] { return !viewer->isCounting(); };
    measure("find \"77777\" (Line and Clock searched)", [&] { viewer->find(QStringLiteral("77777"), false, false); },
            counted);
    std::printf("    %d matches\n", viewer->findCount());
    viewer->find(QString(), false, false);
    measure("find \"drive\" (Line and Clock searched)", [&] { viewer->find(QStringLiteral("drive"), false, false); },
            counted);
    viewer->find(QString(), false, false);
    lineNumbers->trigger();
    viewer->setTimeOrigin(QDateTime());
    measure("find \"77777\" (neither searched)", [&] { viewer->find(QStringLiteral("77777"), false, false); },
            counted);
    std::printf("    %d matches\n", viewer->findCount());
    viewer->find(QString(), false, false);
    lineNumbers->trigger();
    viewer->setTimeOrigin(QDateTime(QDate(2024, 5, 17), QTime(8, 0), Qt::UTC));

    measure("copy 10,000 rows", [&] {
        viewer->showEntry(1000);
        viewer->selectionModel()->select(QItemSelection(viewer->model()->index(1000, 0),
                                                        viewer->model()->index(10999, 0)),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
        viewer->selectedRowsText();
    }, now);
    measure("export the shown cells", [&] { window.exportVisibleCells(app.filePath(QStringLiteral("cells.tsv"))); },
            idle);
    return 0;
}
