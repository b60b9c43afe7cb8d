// The window's menus and its filter bar.

#include "mirtlogfileanalyzer.h"

#include "compiledfilter.h"
#include "filterhelp.h"
#include "filterhints.h"
#include "filterline.h"
#include "findcontrol.h"
#include "logfileviewer.h"
#include "logtab.h"
#include "recentfiles.h"

#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>

namespace {

template <typename Window, typename Slot>
QAction *addMenuAction(Window *window, QMenu *menu, const QString &text, const QString &name,
                       const QKeySequence &keys, Slot slot)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(name);
    action->setShortcut(keys);
    QObject::connect(action, &QAction::triggered, window, slot);
    return action;
}

} // namespace

void MirtLogFileAnalyzer::buildMenus()
{
    buildFileMenu();
    tabs->tabBar()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tabs->tabBar(), &QTabBar::customContextMenuRequested, this, &MirtLogFileAnalyzer::showTabBarMenu);
    buildEditMenu();
    buildViewMenu();
    buildFilterMenu();
}

QMenu *MirtLogFileAnalyzer::buildFileMenu()
{
    QMenu *fileMenu = menuBar()->addMenu(tr("&File"));
    addMenuAction(this, fileMenu, tr("Open..."), QStringLiteral("fileOpen"), QKeySequence::Open,
                  &MirtLogFileAnalyzer::fileOpen);
    addMenuAction(this, fileMenu, tr("Open Merged..."), QStringLiteral("fileOpenMerged"), QKeySequence(),
                  &MirtLogFileAnalyzer::fileOpenMerged);
    addMenuAction(this, fileMenu, tr("Compare Runs..."), QStringLiteral("fileCompareRuns"), QKeySequence(),
                  &MirtLogFileAnalyzer::compareRuns);
    QMenu *recentMenu = fileMenu->addMenu(tr("Open &Recent"));
    recentMenu->setObjectName(QStringLiteral("recentMenu"));
    recentFiles = new RecentFiles(settings, recentMenu, this);
    connect(recentFiles, &RecentFiles::chosen, this, [this](const QString &path) {
        openLogFiles({path}, true);
        // A file that is gone leaves the list; one that cannot be read now
        // (its permissions, a drive not mounted) stays for another time.
        if (!QFileInfo::exists(path))
            recentFiles->remove(path);
    });
    addMenuAction(this, fileMenu, tr("Reload"), QStringLiteral("fileReload"), QKeySequence(Qt::Key_F5), [this] {
        if (LogFileViewer *viewer = currentViewer())
            reloadViewer(viewer);
    });
    followAction = addMenuAction(this, fileMenu, tr("Follow"), QStringLiteral("fileFollow"),
                                 QKeySequence(Qt::CTRL | Qt::Key_T), [this](bool on) {
                                     LogTab *tab = currentTab();
                                     if (!tab)
                                         return;
                                     const QString refusal = tab->followRefusal();
                                     if (on && !refusal.isEmpty()) {
                                         const QSignalBlocker blocking(followAction);
                                         followAction->setChecked(false);
                                         setTabStatus(tab, refusal);
                                         return;
                                     }
                                     tab->viewer()->setFollowing(on);
                                     if (!on)
                                         tab->stopWaiting();
                                     setTabStatus(tab, on ? QStringLiteral("following %1").arg(tab->name())
                                                          : QStringLiteral("%1 is no longer followed").arg(tab->name()));
                                 });
    followAction->setCheckable(true);
    followAction->setEnabled(false);
    fileMenu->addSeparator();
    addMenuAction(this, fileMenu, tr("Export Visible Rows..."), QStringLiteral("fileExport"), QKeySequence(),
                  &MirtLogFileAnalyzer::exportChosen);
    addSessionActions(fileMenu);
    fileMenu->addSeparator();
    addMenuAction(this, fileMenu, tr("Close"), QStringLiteral("fileClose"), QKeySequence(Qt::CTRL | Qt::Key_W),
                  &MirtLogFileAnalyzer::fileClose);
    addMenuAction(this, fileMenu, tr("Quit"), QStringLiteral("fileQuit"), QKeySequence(Qt::CTRL | Qt::Key_Q),
                  &QWidget::close);
    return fileMenu;
}

void MirtLogFileAnalyzer::buildEditMenu()
{
    QMenu *editMenu = menuBar()->addMenu(tr("&Edit"));
    addMenuAction(this, editMenu, tr("Find"), QStringLiteral("editFind"), QKeySequence::Find,
                  [this] { finding->open(); });
    addMenuAction(this, editMenu, tr("Find Next"), QStringLiteral("editFindNext"), QKeySequence(Qt::Key_F3),
                  [this] { finding->next(true); });
    addMenuAction(this, editMenu, tr("Find Previous"), QStringLiteral("editFindPrevious"),
                  QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { finding->next(false); });
}

void MirtLogFileAnalyzer::buildViewMenu()
{
    viewMenu = menuBar()->addMenu(tr("&View"));
    addMenuAction(this, viewMenu, tr("Expand All"), QStringLiteral("viewExpandAll"), QKeySequence(),
                  &MirtLogFileAnalyzer::viewExpandAll);
    addMenuAction(this, viewMenu, tr("Collapse All"), QStringLiteral("viewCollapseAll"), QKeySequence(),
                  &MirtLogFileAnalyzer::viewCollapseAll);
    viewMenu->addSeparator();
    addMenuAction(this, viewMenu, tr("Next Error"), QStringLiteral("viewNextError"), QKeySequence(Qt::Key_F8),
                  [this] { goToNext(Error, true); });
    addMenuAction(this, viewMenu, tr("Previous Error"), QStringLiteral("viewPreviousError"),
                  QKeySequence(Qt::SHIFT | Qt::Key_F8), [this] { goToNext(Error, false); });
    addMenuAction(this, viewMenu, tr("Next Warning"), QStringLiteral("viewNextWarning"), QKeySequence(Qt::Key_F9),
                  [this] { goToNext(Warning, true); });
    addMenuAction(this, viewMenu, tr("Previous Warning"), QStringLiteral("viewPreviousWarning"),
                  QKeySequence(Qt::SHIFT | Qt::Key_F9), [this] { goToNext(Warning, false); });
    addMenuAction(this, viewMenu, tr("Go to Time..."), QStringLiteral("viewGoToTime"),
                  QKeySequence(Qt::CTRL | Qt::Key_G), &MirtLogFileAnalyzer::goToTime);
    addMenuAction(this, viewMenu, tr("Go to Partner"), QStringLiteral("viewGoToPartner"),
                  QKeySequence(Qt::CTRL | Qt::Key_P), [this] {
                      LogFileViewer *viewer = currentViewer();
                      if (viewer && !viewer->goToPartner())
                          setStatus(QStringLiteral("the current row has no other end"));
                  });
    buildLineActions(viewMenu);
}

void MirtLogFileAnalyzer::buildFilterMenu()
{
    QMenu *filterMenu = menuBar()->addMenu(tr("F&ilter"));
    addMenuAction(this, filterMenu, tr("Edit Filter"), QStringLiteral("focusFilter"),
                  QKeySequence(Qt::CTRL | Qt::Key_L), [this] {
                      filterEdit->setFocus();
                      filterEdit->selectAll();
                  });
    applyToAllTabs = filterMenu->addAction(tr("Apply to All Tabs"));
    applyToAllTabs->setObjectName(QStringLiteral("applyToAllTabs"));
    applyToAllTabs->setCheckable(true);

    QMenu *helpMenu = menuBar()->addMenu(tr("&Help"));
    QAction *help = helpMenu->addAction(tr("Filter Language"));
    help->setObjectName(QStringLiteral("helpFilterLanguage"));
    connect(help, &QAction::triggered, this, [this] {
        auto *window = findChild<FilterHelp *>();
        if (!window)
            window = new FilterHelp(this);
        window->show();
        window->raise();
    });
}

void MirtLogFileAnalyzer::buildFilterBar()
{
    toolBar = addToolBar(tr("Tools"));
    // Named, so that the window state saved on close can restore it.
    toolBar->setObjectName(QStringLiteral("filterToolBar"));
    filterLabel = new QLabel(tr("Filter"), toolBar);
    toolBar->addWidget(filterLabel);
    filterEdit = new FilterLine(toolBar);
    filterEdit->setObjectName(QStringLiteral("filterEdit"));
    filterEdit->setHistory(settings.value(QStringLiteral("FilterHistory")));
    filterLabel->setBuddy(filterEdit);
    toolBar->addWidget(filterEdit);
    connect(filterEdit, &QLineEdit::returnPressed, this, &MirtLogFileAnalyzer::filterEntered);
    // Where && and || meet without parentheses, the tooltip shows how the
    // text groups: || binds tighter here than in most languages.
    connect(filterEdit, &QLineEdit::textChanged, this, [this](const QString &text) {
        const QString grouping = text.size() <= filterhints::maxLength
            ? CompiledFilter::compile(text)->grouping()
            : QString();
        filterEdit->setToolTip(grouping.isEmpty() ? QString() : tr("Read as: %1").arg(grouping));
    });
    auto *contextLabel = new QLabel(tr("Context"), toolBar);
    toolBar->addWidget(contextLabel);
    contextSpin = new QSpinBox(toolBar);
    contextSpin->setObjectName(QStringLiteral("contextRows"));
    contextSpin->setRange(0, RowVisibility::maxContextRows);
    contextSpin->setToolTip(tr("Rows shown before and after each row the filter keeps"));
    contextLabel->setBuddy(contextSpin);
    toolBar->addWidget(contextSpin);
    connect(contextSpin, qOverload<int>(&QSpinBox::valueChanged), this, [this](int rows) {
        LogTab *tab = currentTab();
        if (!tab || tab->viewer()->contextRowCount() == rows)
            return;
        if (!tab->viewer()->filterText().isEmpty())
            tab->reportFilter();
        tab->viewer()->setContextRows(rows);
    });
}

