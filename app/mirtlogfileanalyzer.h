#pragma once

#include "expr.h"
#include "exprvalue.h"
#include "logfileexprcontext.h"

#include <QHash>
#include <QMainWindow>
#include <QMap>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class LogFile;
class QLabel;
class QLineEdit;
class QMenu;
class QTabWidget;
class QToolBar;
class QTreeWidget;

// The one top-level window: a tab per open log file, the File and View menus
// and one status text. Settings: "geometry", "windowState" and "LastDir".
class MirtLogFileAnalyzer : public QMainWindow
{
    Q_OBJECT

public:
    explicit MirtLogFileAnalyzer(QWidget *parent = nullptr);
    ~MirtLogFileAnalyzer() override;

    // Reads one file and adds its tab; tells the user in the status text when
    // the file, or some of its lines, could not be read.
    void openLogFile(const QString &path);
    // Reads several files; the status names every file that could not be
    // opened, and a tab whose file had unreadable lines carries a warning
    // icon whose tooltip lists them for as long as the tab is open.
    void openLogFiles(const QStringList &paths);

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
    // Shows the entry rows of the current tab for which the parsed filter is
    // true and hides the others.
    void applyFilter();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
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
    QMap<QTreeWidget *, std::shared_ptr<LogFile>> viewerFiles;
    // Per viewer, the entry rows its last filter hid. Asking the view instead
    // costs a persistent index look-up per row, which a million rows feel.
    QHash<QTreeWidget *, std::vector<bool>> hiddenRows;
};
