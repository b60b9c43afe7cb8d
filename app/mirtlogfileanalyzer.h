#pragma once

#include "expr.h"
#include "exprvalue.h"
#include "logfileexprcontext.h"

#include <QHash>
#include <QMainWindow>
#include <QMap>
#include <QPair>
#include <QPointer>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class FilterLine;
class FindBar;
class Handoff;
class LogFile;
class LogFileViewer;
class QAction;
class QDockWidget;
class QLabel;
class QMenu;
class QSpinBox;
class QStackedWidget;
class QTabWidget;
class QTimer;
class QToolBar;
class QTreeWidget;
class RecentFiles;

// The one top-level window: a tab per open log file, the menus, the filter
// and find bars, the analysis panels and one status text. Settings:
// "geometry", "windowState", "LastDir", "RecentFiles", "FilterHistory",
// "ShowActions" and "ShowTimeline".
//
// Files are read in the background: a tab appears at once and shows its
// progress. busy is true while any tab reads its file or filters its rows,
// so that tests and scripts can wait for it.
class MirtLogFileAnalyzer : public QMainWindow
{
    Q_OBJECT
    Q_PROPERTY(bool busy READ isBusy NOTIFY busyChanged)

public:
    explicit MirtLogFileAnalyzer(QWidget *parent = nullptr);
    ~MirtLogFileAnalyzer() override;

    // Adds a tab for one file and reads the file in the background; tells
    // the user in the status text when the file, or some of its lines, could
    // not be read.
    void openLogFile(const QString &path);
    // Opens several files; the status names every file that could not be
    // opened, and a tab whose file had unreadable lines carries a warning
    // icon whose tooltip lists them for as long as the tab is open. A file
    // that is open already is not opened again: its tab is the one meant.
    // With `makeCurrent`, the first file's tab becomes the current one.
    void openLogFiles(const QStringList &paths, bool makeCurrent = false);
    // Reads the file of a tab again, in its place, keeping its filter, its
    // current row and its position; `note` goes to the status line.
    void reloadViewer(LogFileViewer *viewer, const QString &note = QString());
    // Writes the rows the current tab shows to `path`, as record lines, in
    // the background; the status line says how it went.
    void exportVisibleRows(const QString &path);

    bool isBusy() const { return busy; }

    // The bytes of the command line as the system gave them, so that names
    // that are not valid in the locale's encoding still open; called by the
    // program entry before the window is made.
    static void setCommandLineBytes(int argc, const char *const *argv);

    void fileOpen();
    void fileClose();
    void viewExpandAll();
    void viewCollapseAll();
    void closeTab(int index);

    // Return in the filter line: parse its text, then show and hide rows.
    void filterEntered();
    // Has the current tab show the entry rows for which the parsed filter
    // is true and hide the others.
    void applyFilter();

signals:
    void busyChanged(bool busy);

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    struct OpenBatch;
    struct Analysis;

    LogFileViewer *addViewer(const QString &path, int fd, const std::shared_ptr<OpenBatch> &batch, int index = -1);
    // The tab that shows the file open as `fd`, if any.
    LogFileViewer *viewerOfFile(int fd) const;
    void buildMenus();
    void buildFilterBar();
    void buildFindBar();
    void currentTabChanged();
    void runFind();
    void showFindCount();
    void findNext(bool forward);
    void goToNext(int type, bool forward);
    void goToTime();
    void exportChosen();
    void rememberRecent(const QString &path);
    void viewerLoaded(LogFileViewer *viewer, const std::shared_ptr<OpenBatch> &batch);
    // A warning icon on the tab of a file with unreadable lines, and the
    // first of them in its tooltip.
    void markProblems(LogFileViewer *viewer);
    void showBatchProblems(const OpenBatch &batch);
    void updateBusy();
    LogFileViewer *currentViewer() const;
    QList<LogFileViewer *> viewers() const;

    // The analysis panels: the actions of the current tab and its timeline,
    // made for a tab when one of them is first shown for it.
    void buildAnalysisPanels();
    void showAnalysisOf(LogFileViewer *viewer);
    void analyse(LogFileViewer *viewer);
    void forgetAnalysis(LogFileViewer *viewer);
    void applyQuickFilter(LogFileViewer *viewer, const QString &clause);
    void setStatus(const QString &text, const QString &toolTip = QString());
    void placeOnFirstStart();
    // Keeps a restored geometry only when it lies mostly on a screen, with
    // its size cut to that screen's.
    bool fitRestoredGeometry();
    static QStringList commandLinePaths();

    QTabWidget *tabs = nullptr;
    QLabel *statusLabel = nullptr;
    QMenu *fileMenu = nullptr;
    QMenu *viewMenu = nullptr;
    QSettings settings;
    QToolBar *toolBar = nullptr;
    QLabel *filterLabel = nullptr;
    FilterLine *filterEdit = nullptr;
    QSpinBox *contextSpin = nullptr;
    FindBar *findBar = nullptr;
    RecentFiles *recentFiles = nullptr;
    QAction *followAction = nullptr;
    QAction *applyToAllTabs = nullptr;
    // The tab the find bar's marks are in.
    QPointer<LogFileViewer> findViewer;
    // Per tab, which file it shows: a file opened again finds its tab.
    QHash<LogFileViewer *, QPair<quint64, quint64>> fileIds;
    // Per tab, the reader's problem count its icon and tooltip show.
    QHash<LogFileViewer *, qint64> problemsMarked;
    mirt::expr::Expr filter;
    LogFileExprContext filterContext;
    QString lastDir;
    // The text of the last filter that parsed.
    QString filterText;
    // The viewer whose filter result the status line waits for.
    QPointer<LogFileViewer> statusViewer;
    bool busy = false;

    QDockWidget *actionsDock = nullptr;
    QDockWidget *timelineDock = nullptr;
    QStackedWidget *actionsStack = nullptr;
    QStackedWidget *timelineStack = nullptr;
    QAction *viewActions = nullptr;
    QAction *viewTimeline = nullptr;
    QTimer *reanalyseTimer = nullptr;
    std::shared_ptr<Handoff> handoff;
    QHash<LogFileViewer *, std::shared_ptr<Analysis>> analyses;
};
