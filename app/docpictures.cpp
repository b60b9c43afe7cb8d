// docpictures OUTPUT_FOLDER
//
// Makes the pictures of the README from the program as it is: the real
// window, driven as a user drives it, on the sample logs, drawn offscreen.
// `make pictures` runs it and writes them to docs/.
//
//   walkthrough-1.png  a failed run opened
//   walkthrough-2.png  its actions: the cancelled runs and their causes
//   walkthrough-3.png  the cause chosen: its record selected in the tree
//   analysis.png       the actions table and the timeline of two logs
//   comparison.png     a good run and a failed run of the same mission compared
//   merged.png         two logs merged in one tab, with their actions

#include "actionspanel.h"
#include "logfileviewer.h"
#include "mirtlogfileanalyzer.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void settle(MirtLogFileAnalyzer &window, int milliseconds = 300)
{
    QElapsedTimer clock;
    clock.start();
    while (window.property("busy").toBool() || clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool save(MirtLogFileAnalyzer &window, const QDir &folder, const QString &name)
{
    settle(window);
    const QString path = folder.filePath(name);
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "docpictures: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// The row of the first run with this outcome, in the table as it shows.
int firstRunWith(QTableView *table, const QString &outcome)
{
    for (int row = 0; row < table->model()->rowCount(); ++row) {
        for (int column = 0; column < table->model()->columnCount(); ++column) {
            if (table->model()->index(row, column).data().toString() == outcome)
                return row;
        }
    }
    return -1;
}

bool walkthrough(const QString &samples, const QDir &out)
{
    MirtLogFileAnalyzer window;
    window.resize(1400, 860);
    window.show();
    window.openLogFiles({samples + QStringLiteral("/pick_and_place.log")}, true);
    settle(window);
    if (!save(window, out, QStringLiteral("walkthrough-1.png")))
        return false;

    window.findChild<QAction *>(QStringLiteral("viewActions"))->setChecked(true);
    settle(window, 500);
    auto *panel = window.findChild<ActionsPanel *>();
    if (!panel)
        return false;
    QTableView *table = panel->table();
    const int cancelled = firstRunWith(table, QStringLiteral("Cancelled"));
    if (cancelled < 0)
        return false;
    table->selectRow(cancelled);
    if (!save(window, out, QStringLiteral("walkthrough-2.png")))
        return false;

    // What a double-click on its Cause does.
    const int causeColumn = table->model()->columnCount() - 1;
    emit table->doubleClicked(table->model()->index(cancelled, causeColumn));
    return save(window, out, QStringLiteral("walkthrough-3.png"));
}

bool analysis(const QString &samples, const QDir &out)
{
    MirtLogFileAnalyzer window;
    window.resize(1400, 1100);
    window.show();
    window.openLogFiles({samples + QStringLiteral("/pick_and_place.log"), samples + QStringLiteral("/navigation.log")},
                        true);
    settle(window);
    window.findChild<QAction *>(QStringLiteral("viewActions"))->setChecked(true);
    window.findChild<QAction *>(QStringLiteral("viewTimeline"))->setChecked(true);
    return save(window, out, QStringLiteral("analysis.png"));
}

bool comparison(const QString &samples, const QDir &out)
{
    MirtLogFileAnalyzer window;
    window.resize(1400, 860);
    window.show();
    window.openLogFiles({samples + QStringLiteral("/pick_and_place_good.log"),
                         samples + QStringLiteral("/pick_and_place.log")},
                        true);
    settle(window);
    window.compareFiles(samples + QStringLiteral("/pick_and_place_good.log"),
                        samples + QStringLiteral("/pick_and_place.log"));
    return save(window, out, QStringLiteral("comparison.png"));
}

bool merged(const QString &samples, const QDir &out)
{
    MirtLogFileAnalyzer window;
    window.resize(1400, 1000);
    window.show();
    window.openMerged({samples + QStringLiteral("/pick_and_place.log"), samples + QStringLiteral("/navigation.log")});
    settle(window);
    window.findChild<QAction *>(QStringLiteral("viewActions"))->setChecked(true);
    window.findChild<QAction *>(QStringLiteral("viewTimeline"))->setChecked(true);
    return save(window, out, QStringLiteral("merged.png"));
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: docpictures OUTPUT_FOLDER\n");
        return 2;
    }
    // Offscreen, with settings of its own, so that no saved layout of the
    // user's changes the pictures.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvane"));
    QCoreApplication::setApplicationName(QStringLiteral("MirtLogFileAnalyzer"));
    int count = 1;
    QApplication app(count, argv);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString samples = QStringLiteral(MIRT_SAMPLES_DIR);
    return walkthrough(samples, out) && analysis(samples, out) && comparison(samples, out) && merged(samples, out)
        ? 0
        : 1;
}
