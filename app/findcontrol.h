#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class FindBar;
class LogFileViewer;
class LogTab;
class QMainWindow;

// Find in the window: the find bar under the tabs and the search of the
// current tab, which moves with the tab. Only one tab's cells are marked.
class FindControl final : public QObject
{
    Q_OBJECT

public:
    FindControl(QMainWindow *window, std::function<LogTab *()> currentTab);

    FindBar *bar() const { return findBar; }
    // Edit > Find.
    void open();
    // Searches the current tab for what the bar holds.
    void run();
    // Next or previous match; opens the bar when there is nothing to find.
    void next(bool forward);
    // The current tab changed: the search goes with it.
    void tabChanged();

    // News of a tab's viewer.
    void counted(LogTab *tab);
    void currentRowChanged(LogTab *tab);

signals:
    // The search of `tab` found nothing, once counting has ended.
    void notFound(LogTab *tab, const QString &message);
    // A new search began: what was said of the last one no longer holds.
    void searchStarted();

private:
    LogFileViewer *searchedViewer() const;
    void stopSearch();
    void showCount();
    void sayNotFound();

    std::function<LogTab *()> currentTab;
    FindBar *findBar = nullptr;
    // The tab the find bar's marks are in.
    QPointer<LogTab> searched;
};
