#pragma once

#include "expr.h"
#include "exprvalue.h"
#include "logfileexprcontext.h"

#include <QHash>
#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class Handoff;
class LogFile;
class LogFileViewer;
class QAction;
class QDockWidget;
class QLabel;
class QStackedWidget;
class QLineEdit;
class QMenu;
class QTabWidget;
class QToolBar;
class QTreeWidget;

// The one top-level window: a tab per open log file, the File and View menus
// and one status text. Settings: "geometry", "windowState" and "LastDir".
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
    // icon whose tooltip lists them for as long as the tab is open.
    void openLogFiles(const QStringList &paths);

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

private:
    struct OpenBatch;
    struct Analysis;

    void addViewer(const QString &path, int fd, const std::shared_ptr<OpenBatch> &batch);
    void viewerLoaded(LogFileViewer *viewer, const std::shared_ptr<OpenBatch> &batch);
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
    QLineEdit *filterEdit = nullptr;
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
    std::shared_ptr<Handoff> handoff;
    QHash<LogFileViewer *, std::shared_ptr<Analysis>> analyses;
};
