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
