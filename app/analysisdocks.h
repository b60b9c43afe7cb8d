#pragma once

#include <QObject>
#include <QSet>

#include <functional>

class LogTab;
class QAction;
class QDockWidget;
class QMainWindow;
class QMenu;
class QStackedWidget;
class QTimer;

// The analysis panels of the window: the actions of the current tab
// (`actionsDock`) and its timeline (`timelineDock`), each a dock with a page
// per tab, shown by View > Actions and View > Timeline, which are ticked
// exactly while their panel shows. A panel shown for the first time gets a
// third of the window's height (or width, docked at a side). A tab's pages
// and its analysis are made when one of the panels is first shown for it; a
// file that grows is analysed again now and then.
class AnalysisDocks final : public QObject
{
    Q_OBJECT

public:
    AnalysisDocks(QMainWindow *window, QMenu *viewMenu, std::function<LogTab *()> currentTab);

    QAction *actionsToggle() const { return viewActions; }
    QAction *timelineToggle() const { return viewTimeline; }
    // Shows the panels the settings asked for.
    void setShown(bool actions, bool timeline);

    // Shows the pages of `tab`, or none.
    void show(LogTab *tab);
    // The file of `tab` grew: its analysis is out of date.
    void fileGrew(LogTab *tab);

signals:
    // A stretch of time was dragged out on the timeline's histogram.
    void rangeChosen(double from, double to);
    // The actions panel asks for this filter on the current tab.
    void filterRequested(const QString &filter);
    // Something the panels of `tab` report for the status line.
    void statusMessage(LogTab *tab, const QString &text);

private:
    // The first time `dock` shows docked, at least a third of the window
    // across the side it is docked at.
    void giveUsableSize(QDockWidget *dock);
    void makePages(LogTab *tab);
    void analyse(LogTab *tab);

    QMainWindow *window;
    std::function<LogTab *()> currentTab;
    // The docks that have had their first size, or were shown at the size
    // the saved window state gives them.
    QSet<QDockWidget *> sized;
    QDockWidget *actionsDock = nullptr;
    QDockWidget *timelineDock = nullptr;
    QStackedWidget *actionsStack = nullptr;
    QStackedWidget *timelineStack = nullptr;
    QAction *viewActions = nullptr;
    QAction *viewTimeline = nullptr;
    QTimer *reanalyseTimer = nullptr;
};
