#pragma once

#include "commandline.h"
#include "followsession.h"
#include "logfileviewer.h"
#include "recordexport.h"
#include "runcomparisonview.h"

#include <QMainWindow>
#include <QPointer>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>

class AnalysisDocks;
class BookmarksPanel;
class CompiledFilter;
class ExportDelivery;
class FilterLine;
class FindControl;
class LogFileViewer;
class LogTab;
class PendingTabs;
class QAction;
class QDockWidget;
class QLabel;
class QMenu;
class QSpinBox;
class QTabWidget;
class QToolBar;
class RecentFiles;
struct SessionCheck;
struct SessionSupport;
struct SessionTab;

// The one top-level window. It composes: a tab per open log file (each a
// LogTab around its viewer), the menus, the filter bar, the find bar
// (FindControl), the analysis panels (AnalysisDocks) and one status text.
// Settings: "geometry", "windowState", "LastDir", "RecentFiles",
// "FilterHistory", "ShowActions" and "ShowTimeline"; what they hold is
// bounded when read. The title names the current tab.
//
// Files are read in the background: a tab appears at once and shows its
// progress. busy is true while any tab reads its file, filters its rows or
// exports them, so that tests and scripts can wait for it.
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
    // Opens several files; of a long list, the first tabs appear at once and
    // the others a few per turn of the event loop, busy meanwhile. The
    // status names every file that could not be opened, and a tab whose file
    // had unreadable lines carries a warning icon whose tooltip lists them
    // for as long as the tab is open. A file that is open already is not
    // opened again: its tab is the one meant. With `makeCurrent`, the first
    // file's tab becomes the current one. The recent list is saved once.
    void openLogFiles(const QStringList &paths, bool makeCurrent = false);
    // Reads the file of a tab again, in its place, keeping its filter, its
    // current row and its position; `note` goes to the status line.
    void reloadViewer(LogFileViewer *viewer, const QString &note = QString());
    // Writes the rows the current tab shows to `path`, as record lines (or
    // their original lines), in the background; the status line says how
    // it went. Export Visible Rows... offers defaultExportForm() first.
    void exportVisibleRows(const QString &path, RecordExport::Form form = RecordExport::Form::Rebuilt);
    RecordExport::Form defaultExportForm() const;
    // The same as the cells they show, tab-separated (windowlines.cpp).
    void exportVisibleCells(const QString &path);

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
    // Compares two runs of a mission, A the good one and B the one under
    // suspicion, on a page of their own: two files chosen in turn, or the
    // tab at `index` with another open tab chosen in a small dialog.
    void compareRuns();
    void compareTabWith(int index);
    // Compares the files at `good` (A) and `doubtful` (B).
    void compareFiles(const QString &good, const QString &doubtful);
    // Several files in one tab, merged by time: chosen in a file dialog, the
    // files given, or the tab at `index` with other open tabs chosen in a
    // small dialog.
    void fileOpenMerged();
    void openMerged(const QStringList &paths);
    void mergeTabWith(int index);

    // Sessions (windowsession.cpp): the tabs, their files and how they are
    // looked at, written to a .mirtsession file and restored from one in
    // place of the open tabs; the status line names what could not be.
    bool saveSession(const QString &path);
    void openSession(const QString &path);
    QString lastSessionPath() const;

    // Return in the filter line: parse its text, then show and hide rows.
    void filterEntered();
    // Has the current tab show the entry rows for which the last filter that
    // parsed is true and hide the others.
    void applyFilter();

signals:
    void busyChanged(bool busy);

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // The files opened together: what is said about them waits until every
    // one of them has been read.
    struct OpenBatch
    {
        int loading = 0;
        bool failures = false;
        QList<QPointer<LogTab>> damaged;
    };

    LogTab *addTab(const QString &path, int fd, const std::shared_ptr<OpenBatch> &batch, int index = -1,
                   bool followed = false);
    // Puts a new tab in place and connects it.
    void attachTab(LogTab *tab, const std::shared_ptr<OpenBatch> &batch, int index, const QString &toolTip);
    // A merged tab of the files that open of `paths`, each shifted by its
    // `shifts`, at `index`; the files that do not open are reported and
    // left out, and a single file left opens as a tab of its own.
    LogTab *openMergedAt(const QStringList &paths, const std::vector<double> &shifts, int index, bool followed);
    // Puts `fresh` in the place of the tab of `old`, with `state` (current
    // again when the old one was); returns why it is no longer followed,
    // if it was and cannot be.
    QString replaceTab(LogFileViewer *old, LogTab *fresh, const LogFileViewer::ViewState &state, bool current);
    // Reads a merged tab's files again with the `shifts` given, in its place.
    void reloadMerged(LogTab *tab, const std::vector<double> &shifts, const QString &note);
    // "Shift Time of This Source...": asks for the seconds and merges anew.
    void shiftSource(LogTab *tab, int source);
    // The tab that shows the file open as `fd`, if any.
    LogTab *tabOfFile(int fd) const;
    LogTab *tabOf(const QWidget *page) const;
    LogTab *currentTab() const;
    LogFileViewer *currentViewer() const;
    QList<LogTab *> openTabs() const;

    void addSessionActions(QMenu *fileMenu);
    // Takes the session files out of `paths`, into `sessions`.
    static QStringList withoutSessions(const QStringList &paths, QStringList &sessions);
    void restoreSessionsAtStart(const QStringList &sessions, bool filesGiven);
    void saveLastSession();
    // Adds the tabs of the session being opened, a few per turn, and then
    // makes its tab current and says what could not be restored.
    void restoreSessionTabs();
    void finishSessionTabs();
    // The tab of `saved` without its `missing` files; `problems` gets what
    // could not be done.
    LogTab *openSessionTab(const SessionTab &saved, const std::vector<bool> &missing, QStringList &problems);
    void restoreCurrentLine(LogTab *tab, qint64 line, int source);
    // Where a tab's bookmarks and time origin go to and come from.
    void applySessionMarks(LogTab *tab, const SessionTab &saved);
    void collectSessionMarks(const LogTab *tab, SessionTab &into) const;

    void buildMenus();
    QMenu *buildFileMenu();
    void buildEditMenu();
    void buildViewMenu();
    void buildFilterMenu();
    void buildFilterBar();
    void currentTabChanged();
    void goToNext(int type, bool forward);
    void goToTime();
    // Line numbers and clock time (windowlines.cpp).
    void buildLineActions(QMenu *menu);
    bool lineNumbersWanted() const;
    void goToLine();
    void chooseTimeOrigin();
    void goToClock(LogFileViewer *viewer, const QString &text);
    static QString shownCellsFilter();
    void exportChosen();
    // The status line says how Copy Original Lines went.
    void connectOriginalLines(LogTab *tab);
    // Writes the exports of every tab, made when first needed.
    ExportDelivery *exportDelivery();
    void rememberRecent(const QStringList &paths);

    // What the tabs tell the window.
    void tabLoaded(LogTab *tab, const std::shared_ptr<OpenBatch> &batch);
    void tabFiltered(LogTab *tab, int shown, int total);
    void tabExported(LogTab *tab, const RecordExport::Result &result);
    void tabGrew(LogTab *tab);
    void tabNeedsReload(LogTab *tab, ReloadReason reason);
    void tabGone(LogTab *tab, const std::shared_ptr<OpenBatch> &batch);
    void applyQuickFilter(LogTab *tab, const QString &clause);

    // A warning icon on the tab of a file with unreadable lines, and the
    // first of them in its tooltip.
    void markProblems(LogTab *tab);
    void showBatchProblems(const OpenBatch &batch);
    void updateBusy();
    // The status line is per tab: what is said about a tab is kept with it
    // and shows while it is current.
    void setStatus(const QString &text, const QString &toolTip = QString());
    void setTabStatus(LogTab *tab, const QString &text, const QString &toolTip = QString());
    // Shows a text without keeping it with any tab.
    void showStatus(const QString &text, const QString &toolTip = QString());
    void restoreWindow();
    void openComparison(RunComparisonView::Source a, RunComparisonView::Source b);
    bool comparisonsBusy() const;
    void closeComparison(int index);
    // A double-click in a comparison: the record's tab, opening its file if
    // the comparison read it itself.
    void showComparedRecord(RunComparisonView *view, int side, int row);
    void showTabBarMenu(const QPoint &position);
    // Bookmarks (windowbookmarks.cpp): the View menu's commands, the panel,
    // and what a tab's bookmarks tell the window.
    void buildBookmarks();
    void watchBookmarks(LogTab *tab);
    void showBookmarksOf(LogFileViewer *viewer);
    static commandline::Parsed commandLineRequest();

    QTabWidget *tabs = nullptr;
    QLabel *statusLabel = nullptr;
    QMenu *viewMenu = nullptr;
    QSettings settings;
    QToolBar *toolBar = nullptr;
    QLabel *filterLabel = nullptr;
    FilterLine *filterEdit = nullptr;
    QSpinBox *contextSpin = nullptr;
    FindControl *finding = nullptr;
    AnalysisDocks *docks = nullptr;
    QDockWidget *bookmarkDock = nullptr;
    BookmarksPanel *bookmarksPanel = nullptr;
    RecentFiles *recentFiles = nullptr;
    ExportDelivery *exports = nullptr;
    // Tabs of a long list of files, added a few per turn.
    PendingTabs *pendingTabs = nullptr;
    QAction *followAction = nullptr;
    QAction *applyToAllTabs = nullptr;
    QString lastDir;
    // The last filter that parsed.
    std::shared_ptr<const CompiledFilter> filter;
    bool busy = false;
    // What the status line of a tab said before Find said it found nothing.
    struct SavedStatus
    {
        QPointer<LogTab> tab;
        QString text;
        QString toolTip;
        QString message;
    };
    SavedStatus notFoundBefore;
    QAction *restoreLastSession = nullptr;
    // A session's files are being looked at before its tabs open.
    bool sessionOpening = false;
    std::shared_ptr<SessionSupport> sessionSupport;
};
