#include "findcontrol.h"

#include "findbar.h"
#include "logfileviewer.h"
#include "logtab.h"

#include <QMainWindow>

FindControl::FindControl(QMainWindow *window, std::function<LogFileViewer *()> currentViewer)
    : QObject(window)
    , currentViewer(std::move(currentViewer))
{
    // The window puts it under the tabs, where the rows it finds are.
    findBar = new FindBar(window);
    connect(findBar, &FindBar::queryChanged, this, &FindControl::run);
    connect(findBar, &FindBar::nextRequested, this, [this] { next(true); });
    connect(findBar, &FindBar::previousRequested, this, [this] { next(false); });
    connect(findBar, &FindBar::closed, this, [this] {
        if (searched)
            searched->find(QString(), false, false);
        searched = nullptr;
        if (LogFileViewer *viewer = this->currentViewer())
            viewer->setFocus();
    });
}

void FindControl::open()
{
    findBar->open();
    run();
}

void FindControl::run()
{
    LogFileViewer *viewer = currentViewer();
    if (searched && searched != viewer)
        searched->find(QString(), false, false);
    searched = viewer;
    if (!viewer) {
        findBar->showCount(-1, 0);
        return;
    }
    viewer->find(findBar->text(), findBar->matchCase(), findBar->regularExpression());
    showCount();
}

void FindControl::showCount()
{
    if (!searched)
        return;
    if (searched->isCounting()) {
        findBar->showCounting();
        return;
    }
    findBar->showCount(searched->findIndex(), searched->isFindValid() ? searched->findCount() : -1);
}

void FindControl::next(bool forward)
{
    if (findBar->isHidden() || findBar->text().isEmpty()) {
        findBar->open();
        return;
    }
    if (searched != currentViewer())
        run();
    if (searched && !searched->findNext(forward) && searched->isFindValid())
        emit statusMessage(QStringLiteral("'%1' is not in the rows shown").arg(findBar->text()));
    showCount();
}

void FindControl::tabChanged()
{
    // The search moves with the tab.
    LogFileViewer *viewer = currentViewer();
    if (searched && searched != viewer)
        searched->find(QString(), false, false);
    searched = nullptr;
    if (findBar->isVisible())
        run();
}

void FindControl::counted(LogTab *tab)
{
    if (tab->viewer() == searched)
        showCount();
}

void FindControl::currentRowChanged(LogTab *tab)
{
    if (tab->viewer() == searched && findBar->isVisible())
        showCount();
}
