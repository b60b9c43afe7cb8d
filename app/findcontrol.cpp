#include "findcontrol.h"

#include "findbar.h"
#include "logfileviewer.h"
#include "logtab.h"

#include <QMainWindow>

FindControl::FindControl(QMainWindow *window, std::function<LogTab *()> currentTab)
    : QObject(window)
    , currentTab(std::move(currentTab))
{
    // The window puts it under the tabs, where the rows it finds are.
    findBar = new FindBar(window);
    connect(findBar, &FindBar::queryChanged, this, &FindControl::run);
    connect(findBar, &FindBar::nextRequested, this, [this] { next(true); });
    connect(findBar, &FindBar::previousRequested, this, [this] { next(false); });
    connect(findBar, &FindBar::closed, this, [this] {
        stopSearch();
        if (LogTab *tab = this->currentTab())
            tab->viewer()->setFocus();
    });
}

LogFileViewer *FindControl::searchedViewer() const
{
    return searched ? searched->viewer() : nullptr;
}

void FindControl::stopSearch()
{
    if (LogFileViewer *viewer = searchedViewer())
        viewer->find(QString(), false, false);
    searched = nullptr;
}

void FindControl::open()
{
    findBar->open();
    run();
}

void FindControl::run()
{
    emit searchStarted();
    LogTab *tab = currentTab();
    if (searched != tab)
        stopSearch();
    searched = tab;
    if (!tab) {
        findBar->showCount(-1, 0);
        return;
    }
    tab->viewer()->find(findBar->text(), findBar->matchCase(), findBar->regularExpression());
    showCount();
}

void FindControl::showCount()
{
    LogFileViewer *viewer = searchedViewer();
    if (!viewer)
        return;
    if (viewer->isCounting()) {
        findBar->showCounting();
        return;
    }
    findBar->showCount(viewer->findIndex(), viewer->isFindValid() ? viewer->findCount() : -1);
}

void FindControl::next(bool forward)
{
    if (findBar->isHidden() || findBar->text().isEmpty()) {
        findBar->open();
        return;
    }
    if (searched != currentTab())
        run();
    // While the matches are counted, the count moves onto the first one
    // when it ends; only a finished count can say there is none.
    LogFileViewer *viewer = searchedViewer();
    if (viewer && !viewer->isCounting() && !viewer->findNext(forward) && viewer->isFindValid())
        sayNotFound();
    showCount();
}

void FindControl::tabChanged()
{
    // The search moves with the tab.
    if (searched != currentTab())
        stopSearch();
    if (findBar->isVisible())
        run();
}

void FindControl::counted(LogTab *tab)
{
    if (tab != searched)
        return;
    showCount();
    const LogFileViewer *viewer = tab->viewer();
    if (!viewer->isCounting() && viewer->findCount() == 0 && viewer->isFindValid() && !findBar->text().isEmpty())
        sayNotFound();
}

void FindControl::currentRowChanged(LogTab *tab)
{
    if (tab == searched && findBar->isVisible())
        showCount();
}

void FindControl::sayNotFound()
{
    if (searched)
        emit notFound(searched, QStringLiteral("'%1' is not in the rows shown").arg(findBar->text()));
}
