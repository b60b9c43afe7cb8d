// bench_analysis [LINES]
//
// Opens a generated robot log (default 1,000,000 lines) in the real window,
// shows the Actions and Timeline panels, and prints how long the analysis
// took to appear (with the longest event-loop stall meanwhile), then what a
// user of the actions panel waits for: each keystroke in the narrowing box,
// a double-click on a statistics row, sorting by each column and the
// "Only failures" switch, each with the longest stall of the event loop and
// whether the chosen run stayed chosen and in view; and how long the
// timeline takes to repaint when all of it shows and when zoomed in.
//
// Only widgets and their object names are used, so that the same file
// measures an earlier build too.

#include "actionspanel.h"
#include "actiontimeline.h"
#include "mirtlogfileanalyzer.h"
#include "benchsupport.h"
#include "heaptuning.h"
#include "robotloggenerator.h"
#include "windowbench.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include <cstdio>

namespace {

// Counts the changes of a table's rows, whether made at once or later.
class RowChanges final
{
public:
    explicit RowChanges(QAbstractItemModel *model)
    {
        QObject::connect(model, &QAbstractItemModel::modelReset, [this] { ++count; });
        QObject::connect(model, &QAbstractItemModel::layoutChanged, [this] { ++count; });
        QObject::connect(model, &QAbstractItemModel::rowsRemoved, [this] { ++count; });
        QObject::connect(model, &QAbstractItemModel::rowsInserted, [this] { ++count; });
    }
    int count = 0;
};

struct Step
{
    double seconds = 0;
    double stall = 0;
    bool kept = true;
};

// The chosen run, as the table shows it: its id and start.
QString chosen(QTableView *table)
{
    const QModelIndex current = table->selectionModel()->currentIndex();
    if (!current.isValid())
        return QString();
    return table->model()->index(current.row(), 0).data().toString() + QLatin1Char('@')
        + table->model()->index(current.row(), 4).data().toString();
}

bool chosenInView(QTableView *table)
{
    const QModelIndex current = table->selectionModel()->currentIndex();
    return current.isValid() && table->viewport()->rect().intersects(table->visualRect(current));
}

// Runs `action`, then turns the event loop until the table's rows changed
// (at most 3 s, for an action that changes nothing) and once more to paint.
template<typename Action>
Step measure(QTableView *table, RowChanges &changes, Action action)
{
    const QString before = chosen(table);
    const int seen = changes.count;
    StallClock stalls;
    QElapsedTimer clock;
    clock.start();
    action();
    while (changes.count == seen && clock.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 2);
    Step step;
    step.seconds = clock.nsecsElapsed() / 1e9;
    QCoreApplication::processEvents();
    stalls.stop();
    step.stall = stalls.longestGap();
    step.kept = before.isEmpty() || (chosen(table) == before && chosenInView(table));
    return step;
}

// Empties a line as a user does: select all, then Backspace.
void clearByKeys(QLineEdit *line)
{
    QTest::keyClick(line, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(line, Qt::Key_Backspace);
}

void print(const char *what, const Step &step)
{
    std::printf("  %-34s %.3fs, longest stall %.3fs, chosen run kept in view: %s\n", what, step.seconds, step.stall,
                step.kept ? "yes" : "no");
}

} // namespace

int main(int argc, char *argv[])
{
    restartWithHugePageHeap(argv);
    WindowBenchApplication app(argv[0]);

    const QString path = app.writeLog(argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000);
    if (path.isEmpty())
        return 1;

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

    RowChanges changes(table->model());
    // A cancelled run in the middle of the file is the one the user looks
    // at.
    int looked = runs / 2;
    while (looked + 1 < runs && table->model()->index(looked, 7).data().toString() != QLatin1String("Cancelled"))
        ++looked;
    const QModelIndex middle = table->model()->index(looked, 0);
    table->selectionModel()->setCurrentIndex(middle, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    table->scrollTo(middle);
    waitUntilIdle(window);
    const QString name = table->model()->index(looked, 1).data().toString();

    std::printf("narrowing, a keystroke at a time (\"%s\"):\n", qPrintable(name.toLower()));
    auto *narrowing = window.findChild<QLineEdit *>(QStringLiteral("actionNarrowing"));
    double slowestKey = 0, longestKeyStall = 0;
    bool keptWhileTyping = true;
    for (const QChar letter : name.toLower()) {
        const Step step = measure(table, changes, [&] { QTest::keyClick(narrowing, letter.toLatin1()); });
        slowestKey = std::max(slowestKey, step.seconds);
        longestKeyStall = std::max(longestKeyStall, step.stall);
        keptWhileTyping = keptWhileTyping && step.kept;
    }
    std::printf("  %-34s %.3fs, longest stall %.3fs, chosen run kept in view: %s\n", "slowest keystroke", slowestKey,
                longestKeyStall, keptWhileTyping ? "yes" : "no");
    print("clearing the box", measure(table, changes, [&] { clearByKeys(narrowing); }));

    QTableView *statistics = panel->statisticsTable();
    int statisticsRow = 0;
    for (int row = 0; row < statistics->model()->rowCount(); ++row) {
        if (statistics->model()->index(row, 0).data().toString() == name)
            statisticsRow = row;
    }
    print("statistics double-click", measure(table, changes, [&] {
              emit statistics->doubleClicked(statistics->model()->index(statisticsRow, 0));
          }));
    print("clearing the box", measure(table, changes, [&] { clearByKeys(narrowing); }));

    double slowestSort = 0;
    for (int column = 0; column < table->model()->columnCount(); ++column) {
        const QByteArray what =
            "sort by " + table->model()->headerData(column, Qt::Horizontal).toString().toUtf8();
        const Step step = measure(table, changes, [&] { table->sortByColumn(column, Qt::AscendingOrder); });
        slowestSort = std::max(slowestSort, step.seconds);
        print(what.constData(), step);
    }
    std::printf("slowest sort=%.3fs\n", slowestSort);

    if (auto *failures = window.findChild<QCheckBox *>(QStringLiteral("onlyFailures"))) {
        print("Only failures on", measure(table, changes, [&] { failures->click(); }));
        print("Only failures off", measure(table, changes, [&] { failures->click(); }));
    } else {
        std::printf("  Only failures: not in this build\n");
    }

    auto *timeline = window.findChild<ActionTimeline *>();
    // As wide as a desktop window, whatever room the dock has here.
    timeline->resize(1400, 400);
    QImage image(timeline->size(), QImage::Format_ARGB32_Premultiplied);
    const double from = timeline->visibleFrom();
    const double to = timeline->visibleTo();
    for (double zoom : {1.0, 10.0, 1000.0}) {
        const double centre = (from + to) / 2;
        timeline->setVisibleRange(centre - (to - from) / zoom / 2, centre + (to - from) / zoom / 2);
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
