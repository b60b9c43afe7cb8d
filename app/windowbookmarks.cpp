// The window's side of bookmarks: the commands of the View menu, the
// Bookmarks panel that follows the current tab, and what the status line
// says about them.

#include "mirtlogfileanalyzer.h"

#include "bookmarkspanel.h"
#include "logfile.h"
#include "logfileviewer.h"
#include "logtab.h"

#include <QDockWidget>
#include <QMenu>
#include <QTabWidget>

#include <set>

void MirtLogFileAnalyzer::buildBookmarks()
{
    bookmarksPanel = new BookmarksPanel(this);
    bookmarkDock = new QDockWidget(tr("Bookmarks"), this);
    // Named, so that the window state saved on close knows it.
    bookmarkDock->setObjectName(QStringLiteral("bookmarksPanel"));
    bookmarkDock->setWidget(bookmarksPanel);
    addDockWidget(Qt::RightDockWidgetArea, bookmarkDock);
    bookmarkDock->hide();

    viewMenu->addSeparator();
    const auto add = [this](const QString &text, const QString &name, const QKeySequence &keys, auto slot) {
        QAction *action = viewMenu->addAction(text);
        action->setObjectName(name);
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, slot);
    };
    add(tr("Toggle Bookmark"), QStringLiteral("toggleBookmark"), QKeySequence(Qt::CTRL | Qt::Key_B), [this] {
        LogFileViewer *viewer = currentViewer();
        bool on = false;
        if (viewer && viewer->toggleBookmark(&on)) {
            const qint64 line = viewer->logFile()->lineOf(viewer->currentEntry());
            setStatus(on ? tr("bookmark set on line %1").arg(line) : tr("bookmark on line %1 removed").arg(line));
        } else if (viewer) {
            setStatus(viewer->isLoading() ? tr("bookmarks can be set once the file is read") : tr("no row is current"));
        }
    });
    add(tr("Edit Bookmark Note..."), QStringLiteral("editBookmarkNote"),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B), [this] {
            LogFileViewer *viewer = currentViewer();
            if (viewer && !viewer->editBookmarkNote())
                setStatus(viewer->isLoading() ? tr("bookmarks can be set once the file is read")
                                              : tr("no row is current"));
        });
    const auto move = [this](bool forward) {
        LogFileViewer *viewer = currentViewer();
        if (viewer && !viewer->goToBookmark(forward))
            setStatus(viewer->bookmarkSet().isEmpty() ? tr("there are no bookmarks")
                                                      : tr("no bookmarked row is shown"));
    };
    add(tr("Next Bookmark"), QStringLiteral("nextBookmark"), QKeySequence(Qt::Key_F2), [move] { move(true); });
    add(tr("Previous Bookmark"), QStringLiteral("previousBookmark"), QKeySequence(Qt::SHIFT | Qt::Key_F2),
        [move] { move(false); });
    QAction *panel = bookmarkDock->toggleViewAction();
    panel->setObjectName(QStringLiteral("viewBookmarks"));
    viewMenu->addAction(panel);

    connect(tabs, &QTabWidget::currentChanged, this, [this] { showBookmarksOf(currentViewer()); });
    connect(bookmarksPanel, &BookmarksPanel::goRequested, this, [this](int source, qint64 line) {
        LogFileViewer *viewer = currentViewer();
        if (viewer && !viewer->showBookmark(source, line))
            setStatus(tr("line %1 is not shown: the filter hides it").arg(line));
    });
    connect(bookmarksPanel, &BookmarksPanel::removeRequested, this, [this](const std::vector<Bookmark> &chosen) {
        LogFileViewer *viewer = currentViewer();
        if (!viewer || chosen.empty())
            return;
        if (chosen.size() == 1) {
            viewer->removeBookmark(chosen.front().source, chosen.front().line);
            return;
        }
        // Many at once are taken away in one change.
        std::set<std::pair<int, qint64>> gone;
        for (const Bookmark &bookmark : chosen)
            gone.emplace(bookmark.source, bookmark.line);
        std::vector<Bookmark> kept;
        for (Bookmark &bookmark : viewer->bookmarks()) {
            if (!gone.count({bookmark.source, bookmark.line}))
                kept.push_back(std::move(bookmark));
        }
        viewer->setBookmarks(std::move(kept));
    });
    connect(bookmarksPanel, &BookmarksPanel::noteEdited, this, [this](int source, qint64 line, const QString &note) {
        if (LogFileViewer *viewer = currentViewer())
            viewer->setBookmarkNote(source, line, note);
    });
}

void MirtLogFileAnalyzer::watchBookmarks(LogTab *tab)
{
    LogFileViewer *viewer = tab->viewer();
    connect(viewer, &LogFileViewer::bookmarksChanged, this, [this, viewer] {
        if (viewer == currentViewer())
            showBookmarksOf(viewer);
    });
    connect(viewer, &LogFileViewer::bookmarksDropped, tab, [this, tab](const QString &names) {
        const bool several = names.contains(QLatin1Char(','));
        setTabStatus(tab, several ? tr("bookmarks dropped: %1 were written anew").arg(names)
                                  : tr("bookmarks dropped: %1 was written anew").arg(names));
    });
}

void MirtLogFileAnalyzer::showBookmarksOf(LogFileViewer *viewer)
{
    if (!bookmarksPanel)
        return;
    if (!viewer || !viewer->logFile() || viewer->isLoading())
        bookmarksPanel->setBookmarks(nullptr, {});
    else
        bookmarksPanel->setBookmarks(viewer->logFile(), viewer->bookmarkSet().placed());
}
