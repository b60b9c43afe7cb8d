#include "analysisdocks.h"

#include "actionanalysistask.h"
#include "actionspanel.h"
#include "actiontimeline.h"
#include "logfile.h"
#include "logfileentry.h"
#include "logfileviewer.h"
#include "logtab.h"

#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>
#include <QStackedWidget>
#include <QTimer>

AnalysisDocks::AnalysisDocks(QMainWindow *window, QMenu *viewMenu, std::function<LogTab *()> currentTab)
    : QObject(window)
    , window(window)
    , currentTab(std::move(currentTab))
{
    actionsStack = new QStackedWidget;
    actionsDock = new QDockWidget(tr("Actions"), window);
    actionsDock->setObjectName(QStringLiteral("actionsDock"));
    actionsDock->setWidget(actionsStack);
    window->addDockWidget(Qt::BottomDockWidgetArea, actionsDock);
    timelineStack = new QStackedWidget;
    timelineDock = new QDockWidget(tr("Timeline"), window);
    timelineDock->setObjectName(QStringLiteral("timelineDock"));
    timelineDock->setWidget(timelineStack);
    window->addDockWidget(Qt::BottomDockWidgetArea, timelineDock);
    // One above the other, each as wide as the window: side by side, the
    // second would be a sliver.
    window->splitDockWidget(actionsDock, timelineDock, Qt::Vertical);

    viewMenu->addSeparator();
    viewActions = viewMenu->addAction(tr("Actions"));
    viewActions->setObjectName(QStringLiteral("viewActions"));
    viewTimeline = viewMenu->addAction(tr("Timeline"));
    viewTimeline->setObjectName(QStringLiteral("viewTimeline"));
    for (auto [action, dock] : {std::pair{viewActions, actionsDock}, std::pair{viewTimeline, timelineDock}}) {
        action->setCheckable(true);
        dock->hide();
        connect(action, &QAction::toggled, this, [this, dock = dock](bool on) {
            dock->setVisible(on);
            if (on)
                show(this->currentTab());
        });
        // The tick follows the panel however it shows or goes: its own close
        // button, and floating or docking again, which hide it and show it.
        // The dock's own action is ticked exactly while it is shown.
        connect(dock->toggleViewAction(), &QAction::toggled, this, [this, action = action, dock = dock](bool shown) {
            if (action->isChecked() != shown)
                action->setChecked(shown);
            if (shown)
                giveUsableSize(dock);
        });
    }
    reanalyseTimer = new QTimer(this);
    reanalyseTimer->setSingleShot(true);
    reanalyseTimer->setInterval(2000);
    connect(reanalyseTimer, &QTimer::timeout, this, [this] { show(this->currentTab()); });
}

void AnalysisDocks::setShown(bool actions, bool timeline)
{
    // A panel the saved window state shows has the size it was left with.
    for (QDockWidget *dock : {actionsDock, timelineDock}) {
        if (!dock->isHidden())
            sized.insert(dock);
    }
    viewActions->setChecked(actions);
    viewTimeline->setChecked(timeline);
    actionsDock->setVisible(actions);
    timelineDock->setVisible(timeline);
}

void AnalysisDocks::giveUsableSize(QDockWidget *dock)
{
    if (sized.contains(dock))
        return;
    // The window lays the dock out once it shows; its size is set after.
    QTimer::singleShot(0, this, [this, dock] {
        if (sized.contains(dock) || dock->isHidden() || dock->isFloating())
            return;
        sized.insert(dock);
        const Qt::DockWidgetArea area = window->dockWidgetArea(dock);
        const Qt::Orientation across =
            area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea ? Qt::Vertical : Qt::Horizontal;
        const int wanted = (across == Qt::Vertical ? window->height() : window->width()) / 3;
        if ((across == Qt::Vertical ? dock->height() : dock->width()) < wanted)
            window->resizeDocks({dock}, {wanted}, across);
    });
}

void AnalysisDocks::show(LogTab *tab)
{
    if (!tab || (actionsDock->isHidden() && timelineDock->isHidden())) {
        if (!tab) {
            actionsStack->setCurrentIndex(-1);
            timelineStack->setCurrentIndex(-1);
        }
        return;
    }
    if (!tab->analysis())
        makePages(tab);
    LogTab::Analysis &analysis = *tab->analysis();
    actionsStack->setCurrentWidget(analysis.panel);
    timelineStack->setCurrentWidget(analysis.timeline);
    LogFileViewer *viewer = tab->viewer();
    if (!analysis.done && !analysis.running && viewer->logFile() && !viewer->isLoading())
        analyse(tab);
}

void AnalysisDocks::makePages(LogTab *tab)
{
    LogTab::Analysis &analysis = tab->makeAnalysis();
    LogFileViewer *viewer = tab->viewer();
    analysis.panel = new ActionsPanel;
    analysis.timeline = new ActionTimeline;
    analysis.timeline->setSourceColours(&LogFileViewer::sourceColour);
    actionsStack->addWidget(analysis.panel);
    timelineStack->addWidget(analysis.timeline);
    // The tree, the table and the timeline follow each other.
    ActionTimeline *timeline = analysis.timeline;
    connect(viewer, &LogFileViewer::currentEntryChanged, analysis.panel, &ActionsPanel::showRunOf);
    connect(viewer, &LogFileViewer::currentEntryChanged, timeline, [viewer, timeline](int row) {
        if (viewer->logFile() && row >= 0 && row < viewer->logFile()->entries().size())
            timeline->setCursorTime(viewer->logFile()->entries().at(row)->time());
        timeline->showRunOf(row);
    });
    connect(analysis.panel, &ActionsPanel::recordChosen, viewer, &LogFileViewer::showEntry);
    connect(analysis.panel, &ActionsPanel::causeChosen, viewer, &LogFileViewer::showEntry);
    connect(timeline, &ActionTimeline::recordChosen, viewer, &LogFileViewer::showEntry);
    connect(timeline, &ActionTimeline::rangeChosen, this, &AnalysisDocks::rangeChosen);
    ActionsPanel *panel = analysis.panel;
    connect(viewer, &LogFileViewer::filterApplied, timeline, [viewer, timeline, panel] {
        timeline->setHiddenRows(viewer->filteredOutRows());
        panel->setHiddenRows(viewer->filteredOutRows());
    });
    // The timeline shows what the table keeps, and its chosen run.
    connect(panel, &ActionsPanel::shownRunsChanged, timeline, &ActionTimeline::setShownRuns);
    connect(panel, &ActionsPanel::runSelected, timeline, &ActionTimeline::showRun);
    connect(panel, &ActionsPanel::filterRequested, this, &AnalysisDocks::filterRequested);
    connect(panel, &ActionsPanel::statusMessage, this,
            [this, tab](const QString &text) { emit statusMessage(tab, text); });
}

void AnalysisDocks::analyse(LogTab *tab)
{
    LogTab::Analysis &analysis = *tab->analysis();
    LogFileViewer *viewer = tab->viewer();
    std::shared_ptr<LogFile> file = viewer->logFile();
    analysis.running = true;
    // Delivered through the tab, so that nothing reaches a tab closed since.
    analysis.task = ActionAnalysisTask::start(file, tab->work(), [tab, viewer](const ActionAnalysisTask::Result &result) {
        LogTab::Analysis *current = tab->analysis();
        if (!current)
            return;
        current->running = false;
        current->done = true;
        if (current->panel) {
            current->panel->setHiddenRows(viewer->filteredOutRows());
            current->panel->setAnalysis(result.analysis, result.texts);
        }
        if (current->timeline) {
            current->timeline->setAnalysis(result.analysis, result.lanes);
            current->timeline->setHiddenRows(viewer->filteredOutRows());
        }
        if (current->panel && viewer->currentEntry() >= 0)
            current->panel->showRunOf(viewer->currentEntry());
    });
}

void AnalysisDocks::fileGrew(LogTab *tab)
{
    LogTab::Analysis *analysis = tab->analysis();
    if (!analysis)
        return;
    analysis->done = false;
    // Not restarted by every append: a steady writer would put it off for
    // ever.
    if (!analysis->running && tab == currentTab() && !reanalyseTimer->isActive())
        reanalyseTimer->start();
}
