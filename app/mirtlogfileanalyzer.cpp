#include "mirtlogfileanalyzer.h"

#include "actionanalysistask.h"
#include "actionspanel.h"
#include "actiontimeline.h"
#include "filterhelp.h"
#include "filterline.h"
#include "findbar.h"
#include "handoff.h"
#include "localpath.h"
#include "logfile.h"
#include "logfileentry.h"
#include "quickfilter.h"
#include "logfileviewer.h"
#include "logloadtask.h"
#include "recentfiles.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <cmath>
#include <limits>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// How many of a file's reader messages the status tooltip lists, and how many
// a tab's tooltip lists. The reader cuts each message short already.
constexpr int maxListedMessages = 100;
constexpr int maxTabListedMessages = 20;
// A restored window smaller than this is taken for damaged settings.
constexpr int minRestoredWidth = 200;
constexpr int minRestoredHeight = 150;

QList<QByteArray> &commandLineBytes()
{
    static QList<QByteArray> bytes;
    return bytes;
}

// 149184 as "149,184".
QString groupedNumber(qint64 value)
{
    QString digits = QString::number(value);
    for (int i = digits.size() - 3; i > (value < 0 ? 1 : 0); i -= 3)
        digits.insert(i, QLatin1Char(','));
    return digits;
}

// "3 lines of robot could not be read".
QString problemSummary(qint64 count, const QString &name)
{
    return count == 1 ? QStringLiteral("1 line of %1 could not be read").arg(name)
                      : QStringLiteral("%1 lines of %2 could not be read").arg(count).arg(name);
}

// The first `limit` messages of a file, then how many more problems it had.
QStringList listedProblems(const LogFile &file, int limit)
{
    QStringList listed = file.messages().mid(0, limit);
    const qint64 more = file.problemCount() - listed.size();
    if (more > 0)
        listed << QStringLiteral("(%1 more)").arg(more);
    return listed;
}

} // namespace

void MirtLogFileAnalyzer::setCommandLineBytes(int argc, const char *const *argv)
{
    commandLineBytes().clear();
    for (int i = 0; i < argc && argv[i]; ++i)
        commandLineBytes().append(QByteArray(argv[i]));
}

QStringList MirtLogFileAnalyzer::commandLinePaths()
{
    const QStringList arguments = QCoreApplication::arguments();
    const QList<QByteArray> &bytes = commandLineBytes();
    QStringList paths;
    for (int i = 1; i < arguments.size(); ++i) {
        // The toolkit decodes arguments with replacement characters for
        // bytes the locale cannot read, so such names are taken from the
        // bytes themselves.
        const bool sameArgument = bytes.size() == arguments.size()
            && QString::fromLocal8Bit(bytes.at(i)) == arguments.at(i);
        paths << (sameArgument ? decodeLocalPath(bytes.at(i)) : arguments.at(i));
    }
    return paths;
}

MirtLogFileAnalyzer::MirtLogFileAnalyzer(QWidget *parent)
    : QMainWindow(parent)
{
    tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabs"));
    tabs->setTabsClosable(true);
    tabs->setMovable(true);
    connect(tabs, &QTabWidget::tabCloseRequested, this, &MirtLogFileAnalyzer::closeTab);
    setCentralWidget(tabs);
    setAcceptDrops(true);

    statusLabel = new QLabel(QStringLiteral("Ready"));
    statusBar()->addWidget(statusLabel, 0);

    buildMenus();
    buildFilterBar();
    buildFindBar();
    buildAnalysisPanels();
    connect(tabs, &QTabWidget::currentChanged, this, &MirtLogFileAnalyzer::currentTabChanged);

    openLogFiles(commandLinePaths());

    const bool restored = settings.contains(QStringLiteral("geometry"))
        && restoreGeometry(settings.value(QStringLiteral("geometry")).toByteArray());
    if (!restored || !fitRestoredGeometry())
        placeOnFirstStart();
    if (settings.contains(QStringLiteral("windowState")))
        restoreState(settings.value(QStringLiteral("windowState")).toByteArray(), 0);
    // The find bar opens when asked, whatever the saved state says.
    findBar->hide();
    lastDir = settings.value(QStringLiteral("LastDir"), QStringLiteral(".")).toString();
    // Whether the panels show is remembered on its own: the saved window
    // state may not know the docks yet.
    viewActions->setChecked(settings.value(QStringLiteral("ShowActions"), false).toBool());
    viewTimeline->setChecked(settings.value(QStringLiteral("ShowTimeline"), false).toBool());
    actionsDock->setVisible(viewActions->isChecked());
    timelineDock->setVisible(viewTimeline->isChecked());
}

void MirtLogFileAnalyzer::buildMenus()
{
    const auto add = [this](QMenu *menu, const QString &text, const QString &name, const QKeySequence &keys,
                            auto slot) {
        QAction *action = menu->addAction(text);
        action->setObjectName(name);
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };

    fileMenu = menuBar()->addMenu(tr("&File"));
    add(fileMenu, tr("Open..."), QStringLiteral("fileOpen"), QKeySequence::Open, &MirtLogFileAnalyzer::fileOpen);
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
    add(fileMenu, tr("Reload"), QStringLiteral("fileReload"), QKeySequence(Qt::Key_F5), [this] {
        if (LogFileViewer *viewer = currentViewer())
            reloadViewer(viewer);
    });
    followAction = add(fileMenu, tr("Follow"), QStringLiteral("fileFollow"), QKeySequence(Qt::CTRL | Qt::Key_T),
                       [this](bool on) {
                           if (LogFileViewer *viewer = currentViewer())
                               viewer->setFollowing(on);
                       });
    followAction->setCheckable(true);
    followAction->setEnabled(false);
    fileMenu->addSeparator();
    add(fileMenu, tr("Export Visible Rows..."), QStringLiteral("fileExport"), QKeySequence(),
        &MirtLogFileAnalyzer::exportChosen);
    fileMenu->addSeparator();
    add(fileMenu, tr("Close"), QStringLiteral("fileClose"), QKeySequence(Qt::CTRL | Qt::Key_W),
        &MirtLogFileAnalyzer::fileClose);
    add(fileMenu, tr("Quit"), QStringLiteral("fileQuit"), QKeySequence(Qt::CTRL | Qt::Key_Q), &QWidget::close);

    QMenu *editMenu = menuBar()->addMenu(tr("&Edit"));
    add(editMenu, tr("Find"), QStringLiteral("editFind"), QKeySequence::Find, [this] {
        findBar->open();
        runFind();
    });
    add(editMenu, tr("Find Next"), QStringLiteral("editFindNext"), QKeySequence(Qt::Key_F3),
        [this] { findNext(true); });
    add(editMenu, tr("Find Previous"), QStringLiteral("editFindPrevious"), QKeySequence(Qt::SHIFT | Qt::Key_F3),
        [this] { findNext(false); });

    viewMenu = menuBar()->addMenu(tr("&View"));
    add(viewMenu, tr("Expand All"), QStringLiteral("viewExpandAll"), QKeySequence(),
        &MirtLogFileAnalyzer::viewExpandAll);
    add(viewMenu, tr("Collapse All"), QStringLiteral("viewCollapseAll"), QKeySequence(),
        &MirtLogFileAnalyzer::viewCollapseAll);
    viewMenu->addSeparator();
    add(viewMenu, tr("Next Error"), QStringLiteral("viewNextError"), QKeySequence(Qt::Key_F8),
        [this] { goToNext(Error, true); });
    add(viewMenu, tr("Previous Error"), QStringLiteral("viewPreviousError"), QKeySequence(Qt::SHIFT | Qt::Key_F8),
        [this] { goToNext(Error, false); });
    add(viewMenu, tr("Next Warning"), QStringLiteral("viewNextWarning"), QKeySequence(Qt::Key_F9),
        [this] { goToNext(Warning, true); });
    add(viewMenu, tr("Previous Warning"), QStringLiteral("viewPreviousWarning"),
        QKeySequence(Qt::SHIFT | Qt::Key_F9), [this] { goToNext(Warning, false); });
    add(viewMenu, tr("Go to Time..."), QStringLiteral("viewGoToTime"), QKeySequence(Qt::CTRL | Qt::Key_G),
        &MirtLogFileAnalyzer::goToTime);
    add(viewMenu, tr("Go to Partner"), QStringLiteral("viewGoToPartner"), QKeySequence(Qt::CTRL | Qt::Key_P), [this] {
        LogFileViewer *viewer = currentViewer();
        if (viewer && !viewer->goToPartner())
            setStatus(QStringLiteral("the current row has no other end"));
    });

    QMenu *filterMenu = menuBar()->addMenu(tr("F&ilter"));
    add(filterMenu, tr("Edit Filter"), QStringLiteral("focusFilter"), QKeySequence(Qt::CTRL | Qt::Key_L), [this] {
        filterEdit->setFocus();
        filterEdit->selectAll();
    });
    applyToAllTabs = filterMenu->addAction(tr("Apply to All Tabs"));
    applyToAllTabs->setObjectName(QStringLiteral("applyToAllTabs"));
    applyToAllTabs->setCheckable(true);
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
    filterEdit->setHistory(settings.value(QStringLiteral("FilterHistory")).toStringList());
    filterLabel->setBuddy(filterEdit);
    toolBar->addWidget(filterEdit);
    connect(filterEdit, &QLineEdit::returnPressed, this, &MirtLogFileAnalyzer::filterEntered);
    auto *contextLabel = new QLabel(tr("Context"), toolBar);
    toolBar->addWidget(contextLabel);
    contextSpin = new QSpinBox(toolBar);
    contextSpin->setObjectName(QStringLiteral("contextRows"));
    contextSpin->setRange(0, 50);
    contextSpin->setToolTip(tr("Rows shown before and after each row the filter keeps"));
    contextLabel->setBuddy(contextSpin);
    toolBar->addWidget(contextSpin);
    connect(contextSpin, qOverload<int>(&QSpinBox::valueChanged), this, [this](int rows) {
        LogFileViewer *viewer = currentViewer();
        if (!viewer || viewer->contextRowCount() == rows)
            return;
        if (!viewer->filterText().isEmpty())
            statusViewer = viewer;
        viewer->setContextRows(rows);
    });
}

void MirtLogFileAnalyzer::buildFindBar()
{
    // Under the tabs, where the rows it finds are.
    findBar = new FindBar(this);
    addToolBar(Qt::BottomToolBarArea, findBar);
    connect(findBar, &FindBar::queryChanged, this, &MirtLogFileAnalyzer::runFind);
    connect(findBar, &FindBar::nextRequested, this, [this] { findNext(true); });
    connect(findBar, &FindBar::previousRequested, this, [this] { findNext(false); });
    connect(findBar, &FindBar::closed, this, [this] {
        if (findViewer)
            findViewer->find(QString(), false, false);
        findViewer = nullptr;
        if (LogFileViewer *viewer = currentViewer())
            viewer->setFocus();
    });

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

MirtLogFileAnalyzer::~MirtLogFileAnalyzer()
{
    // Work still running in the background stops, and what it read is left
    // to the system: the window closes at once, whatever is open.
    LogLoadTask::setQuitting();
    handoff->close();
    for (LogFileViewer *viewer : viewers()) {
        disconnect(viewer, nullptr, this, nullptr);
        viewer->abandon();
    }
}

void MirtLogFileAnalyzer::placeOnFirstStart()
{
    // The size hint alone hides the Message column; start at about three
    // quarters of the screen, centred.
    setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QSize size = available.size() * 3 / 4;
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, available));
}

bool MirtLogFileAnalyzer::fitRestoredGeometry()
{
    // A geometry saved on a larger screen, or damaged, could make a window
    // far larger than any screen (and a backing store of gigabytes), or one
    // out of reach.
    const QRect saved = geometry();
    if (saved.width() < minRestoredWidth || saved.height() < minRestoredHeight)
        return false;
    const QScreen *screen = QGuiApplication::screenAt(saved.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return true;
    const QRect available = screen->availableGeometry();
    QRect fitted(saved.topLeft(), saved.size().boundedTo(available.size()));
    const QRect shown = fitted.intersected(available);
    if (qint64(shown.width()) * shown.height() * 2 < qint64(fitted.width()) * fitted.height())
        return false;
    // Moved inside the screen where it sticks out.
    fitted.moveLeft(std::max(available.left(), std::min(fitted.left(), available.right() - fitted.width() + 1)));
    fitted.moveTop(std::max(available.top(), std::min(fitted.top(), available.bottom() - fitted.height() + 1)));
    if (fitted != saved)
        setGeometry(fitted);
    return true;
}

void MirtLogFileAnalyzer::setStatus(const QString &text, const QString &toolTip)
{
    statusLabel->setText(text);
    statusLabel->setToolTip(toolTip);
}

// The files opened together: what is said about them waits until every one
// of them has been read.
struct MirtLogFileAnalyzer::OpenBatch
{
    int loading = 0;
    bool failures = false;
    QList<QPointer<LogFileViewer>> damaged;
};

// A tab's analysis: its panels and the work that fills them.
struct MirtLogFileAnalyzer::Analysis
{
    QPointer<ActionsPanel> panel;
    QPointer<ActionTimeline> timeline;
    std::shared_ptr<ActionAnalysisTask> task;
    bool done = false;
};

void MirtLogFileAnalyzer::openLogFile(const QString &path)
{
    openLogFiles({path});
}

void MirtLogFileAnalyzer::openLogFiles(const QStringList &paths, bool makeCurrent)
{
    QStringList failures;      // reader messages of files that did not open
    QStringList failedNames;
    auto batch = std::make_shared<OpenBatch>();
    LogFileViewer *first = nullptr;
    for (const QString &path : paths) {
        // The checks are made at once; the reading goes on in the background.
        QString error;
        const int fd = openLogFileDescriptor(path, error);
        if (fd < 0) {
            // A file that cannot be read at all must not vanish without a word.
            failures << error;
            failedNames << QFileInfo(displayPath(path)).fileName();
            continue;
        }
        rememberRecent(path);
        LogFileViewer *viewer = viewerOfFile(fd);
        if (viewer) {
            // Open already: Reload is the way to read it again.
            ::close(fd);
        } else {
            ++batch->loading;
            viewer = addViewer(path, fd, batch);
        }
        if (!first)
            first = viewer;
    }
    if (first && makeCurrent)
        tabs->setCurrentWidget(first);
    batch->failures = !failures.isEmpty();
    if (failures.size() == 1) {
        setStatus(failures.first());
    } else if (failures.size() > 1) {
        setStatus(QStringLiteral("could not open %1 files: %2").arg(failures.size()).arg(failedNames.join(QStringLiteral(", "))),
                  failures.join(QLatin1Char('\n')));
    }
    updateBusy();
}

LogFileViewer *MirtLogFileAnalyzer::viewerOfFile(int fd) const
{
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return nullptr;
    const QPair<quint64, quint64> id(quint64(info.st_dev), quint64(info.st_ino));
    for (LogFileViewer *viewer : viewers()) {
        if (fileIds.value(viewer) == id)
            return viewer;
    }
    return nullptr;
}

void MirtLogFileAnalyzer::rememberRecent(const QString &path)
{
    // Names with bytes the locale cannot decode would not survive the
    // settings file; they are left out rather than kept broken.
    if (displayPath(path) != path)
        return;
    recentFiles->add(QFileInfo(path).absoluteFilePath());
}

LogFileViewer *MirtLogFileAnalyzer::addViewer(const QString &path, int fd, const std::shared_ptr<OpenBatch> &batch,
                                              int index)
{
    struct stat info;
    const bool identified = ::fstat(fd, &info) == 0;
    auto *viewer = new LogFileViewer(path, fd);
    if (identified)
        fileIds.insert(viewer, {quint64(info.st_dev), quint64(info.st_ino)});
    const QString name = QFileInfo(displayPath(path)).baseName();
    viewer->setObjectName(QStringLiteral("viewer"));
    connect(viewer, &LogFileViewer::quickFilterChosen, this,
            [this, viewer](const QString &clause) { applyQuickFilter(viewer, clause); });
    index = tabs->insertTab(index, viewer, name);
    tabs->setTabToolTip(index, displayPath(path));
    connect(viewer, &LogFileViewer::busyChanged, this, &MirtLogFileAnalyzer::updateBusy);
    connect(viewer, &LogFileViewer::loaded, this, [this, viewer, batch] { viewerLoaded(viewer, batch); });
    connect(viewer, &LogFileViewer::filterApplied, this, [this, viewer](int shown, int total) {
        if (viewer == statusViewer) {
            setStatus(QStringLiteral("%1 of %2 rows shown").arg(groupedNumber(shown), groupedNumber(total)));
            statusViewer = nullptr;
        }
    });
    connect(viewer, &LogFileViewer::findCounted, this, [this, viewer] {
        if (viewer == findViewer)
            showFindCount();
    });
    connect(viewer, &LogFileViewer::currentEntryChanged, this, [this, viewer] {
        if (viewer == findViewer && findBar->isVisible())
            showFindCount();
    });
    connect(viewer, &LogFileViewer::exportRequested, this, [this, viewer] {
        tabs->setCurrentWidget(viewer);
        exportChosen();
    });
    connect(viewer, &LogFileViewer::exportFinished, this,
            [this](bool written, int rows, const QString &path, const QString &error) {
                if (written)
                    setStatus(QStringLiteral("%1 rows written to '%2'").arg(groupedNumber(rows), displayPath(path)));
                else
                    setStatus(QStringLiteral("could not export to '%1': %2").arg(displayPath(path), error));
            });
    connect(viewer, &LogFileViewer::rowsAppended, this, [this, viewer] {
        // Lines that came and could not be read are reported as those of
        // the load were.
        const qint64 problems = viewer->logFile()->problemCount();
        if (problems != problemsMarked.value(viewer)) {
            markProblems(viewer);
            if (viewer == currentViewer()) {
                setStatus(problemSummary(problems, tabs->tabText(tabs->indexOf(viewer))),
                          listedProblems(*viewer->logFile(), maxListedMessages).join(QLatin1Char('\n')));
            }
        }
        // The analysis shows what the file held when it was made; a file
        // that grows is analysed again now and then.
        if (std::shared_ptr<Analysis> analysis = analyses.value(viewer)) {
            analysis->done = false;
            // Not restarted by every append: a steady writer would put it
            // off for ever.
            if (!analysis->task && viewer == currentViewer() && !reanalyseTimer->isActive())
                reanalyseTimer->start();
        }
    });
    connect(viewer, &LogFileViewer::reloadNeeded, this, [this, viewer](const QString &reason) {
        const QString name = tabs->tabText(tabs->indexOf(viewer));
        QString note;
        if (reason == QLatin1String("replaced"))
            note = QStringLiteral("%1 was replaced by a new file: read again from its start").arg(name);
        else if (reason == QLatin1String("shorter"))
            note = QStringLiteral("%1 became shorter: read again from its start").arg(name);
        else if (reason == QLatin1String("rewritten"))
            note = QStringLiteral("%1 was written anew: read again from its start").arg(name);
        reloadViewer(viewer, note);
    });
    connect(viewer, &QObject::destroyed, this, [this, viewer, batch] {
        forgetAnalysis(viewer);
        fileIds.remove(viewer);
        problemsMarked.remove(viewer);
        // A tab closed before its file was read no longer holds up the others.
        if (batch->loading > 0 && --batch->loading == 0)
            showBatchProblems(*batch);
        updateBusy();
    });
    return viewer;
}

void MirtLogFileAnalyzer::reloadViewer(LogFileViewer *viewer, const QString &note)
{
    const int index = tabs->indexOf(viewer);
    if (index < 0)
        return;
    QString error;
    const int fd = openLogFileDescriptor(viewer->path(), error);
    if (fd < 0) {
        setStatus(error);
        return;
    }
    const bool current = tabs->currentIndex() == index;
    const LogFileViewer::ViewState state = viewer->viewState();
    auto batch = std::make_shared<OpenBatch>();
    batch->loading = 1;
    LogFileViewer *fresh = addViewer(viewer->path(), fd, batch, index);
    fresh->restoreViewState(state);
    if (current)
        tabs->setCurrentWidget(fresh);
    closeTab(tabs->indexOf(viewer));
    setStatus(note.isEmpty() ? QStringLiteral("Ready") : note);
    updateBusy();
}

void MirtLogFileAnalyzer::markProblems(LogFileViewer *viewer)
{
    const int index = tabs->indexOf(viewer);
    const LogFile &file = *viewer->logFile();
    problemsMarked.insert(viewer, file.problemCount());
    if (index < 0 || file.problemCount() == 0)
        return;
    // Stays with the tab, whatever the status line says later.
    const QString name = tabs->tabText(index);
    tabs->setTabIcon(index, style()->standardIcon(QStyle::SP_MessageBoxWarning));
    tabs->setTabToolTip(index, displayPath(viewer->path()) + QLatin1Char('\n') + problemSummary(file.problemCount(), name)
                                   + QLatin1Char(':') + QLatin1Char('\n')
                                   + listedProblems(file, maxTabListedMessages).join(QLatin1Char('\n')));
}

void MirtLogFileAnalyzer::viewerLoaded(LogFileViewer *viewer, const std::shared_ptr<OpenBatch> &batch)
{
    markProblems(viewer);
    if (tabs->indexOf(viewer) >= 0 && viewer->logFile()->problemCount() > 0)
        batch->damaged << viewer;
    if (batch->loading > 0 && --batch->loading == 0)
        showBatchProblems(*batch);
    if (viewer == currentViewer())
        showAnalysisOf(viewer);
}

void MirtLogFileAnalyzer::showBatchProblems(const OpenBatch &batch)
{
    // Files that could not be opened at all were named already; that stays.
    if (batch.failures)
        return;
    // Named in the order of the tabs, whichever file was read first.
    QList<LogFileViewer *> damaged;
    QStringList names;
    for (int index = 0; index < tabs->count(); ++index) {
        for (const QPointer<LogFileViewer> &viewer : batch.damaged) {
            if (viewer && tabs->widget(index) == viewer) {
                damaged << viewer;
                names << tabs->tabText(index);
            }
        }
    }
    if (damaged.size() == 1) {
        const LogFile &file = *damaged.first()->logFile();
        setStatus(problemSummary(file.problemCount(), names.first()),
                  listedProblems(file, maxListedMessages).join(QLatin1Char('\n')));
    } else if (damaged.size() > 1) {
        QStringList tip;
        for (int i = 0; i < damaged.size(); ++i) {
            const LogFile &file = *damaged.at(i)->logFile();
            tip << problemSummary(file.problemCount(), names.at(i)) + QLatin1Char(':');
            tip << listedProblems(file, maxListedMessages / damaged.size());
        }
        setStatus(QStringLiteral("lines of %1 files could not be read: %2").arg(damaged.size()).arg(names.join(QStringLiteral(", "))),
                  tip.join(QLatin1Char('\n')));
    }
}

LogFileViewer *MirtLogFileAnalyzer::currentViewer() const
{
    return qobject_cast<LogFileViewer *>(tabs->currentWidget());
}

QList<LogFileViewer *> MirtLogFileAnalyzer::viewers() const
{
    QList<LogFileViewer *> all;
    for (int i = 0; i < tabs->count(); ++i) {
        if (auto *viewer = qobject_cast<LogFileViewer *>(tabs->widget(i)))
            all << viewer;
    }
    return all;
}

void MirtLogFileAnalyzer::buildAnalysisPanels()
{
    handoff = std::make_shared<Handoff>(this);
    actionsStack = new QStackedWidget;
    actionsDock = new QDockWidget(tr("Actions"), this);
    actionsDock->setObjectName(QStringLiteral("actionsDock"));
    actionsDock->setWidget(actionsStack);
    addDockWidget(Qt::BottomDockWidgetArea, actionsDock);
    timelineStack = new QStackedWidget;
    timelineDock = new QDockWidget(tr("Timeline"), this);
    timelineDock->setObjectName(QStringLiteral("timelineDock"));
    timelineDock->setWidget(timelineStack);
    addDockWidget(Qt::BottomDockWidgetArea, timelineDock);

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
                showAnalysisOf(currentViewer());
        });
        // Closed with its own button: the menu follows.
        connect(dock, &QDockWidget::visibilityChanged, this, [action = action, dock = dock] {
            if (dock->isHidden())
                action->setChecked(false);
        });
    }
    connect(tabs, &QTabWidget::currentChanged, this, [this] { showAnalysisOf(currentViewer()); });
    reanalyseTimer = new QTimer(this);
    reanalyseTimer->setSingleShot(true);
    reanalyseTimer->setInterval(2000);
    connect(reanalyseTimer, &QTimer::timeout, this, [this] { showAnalysisOf(currentViewer()); });
}

void MirtLogFileAnalyzer::showAnalysisOf(LogFileViewer *viewer)
{
    if (!viewer || (actionsDock->isHidden() && timelineDock->isHidden())) {
        if (!viewer) {
            actionsStack->setCurrentIndex(-1);
            timelineStack->setCurrentIndex(-1);
        }
        return;
    }
    std::shared_ptr<Analysis> &analysis = analyses[viewer];
    if (!analysis) {
        analysis = std::make_shared<Analysis>();
        analysis->panel = new ActionsPanel;
        analysis->timeline = new ActionTimeline;
        actionsStack->addWidget(analysis->panel);
        timelineStack->addWidget(analysis->timeline);
        // The tree, the table and the timeline follow each other.
        connect(viewer, &LogFileViewer::currentEntryChanged, analysis->panel, &ActionsPanel::showRunOf);
        connect(viewer, &LogFileViewer::currentEntryChanged, analysis->timeline, [viewer, timeline = analysis->timeline](int row) {
            if (viewer->logFile() && row >= 0 && row < viewer->logFile()->entries().size())
                timeline->setCursorTime(viewer->logFile()->entries().at(row)->time());
        });
        connect(analysis->panel, &ActionsPanel::recordChosen, viewer, &LogFileViewer::showEntry);
        connect(analysis->panel, &ActionsPanel::causeChosen, viewer, &LogFileViewer::showEntry);
        connect(analysis->timeline, &ActionTimeline::recordChosen, viewer, &LogFileViewer::showEntry);
        connect(analysis->timeline, &ActionTimeline::rangeChosen, this, [this](double from, double to) {
            filterEdit->setText(QStringLiteral("time >= %1 && time <= %2")
                                    .arg(QString::number(from, 'f', 3), QString::number(to, 'f', 3)));
            filterEdit->setFocus();
        });
        connect(viewer, &LogFileViewer::filterApplied, analysis->timeline,
                [viewer, timeline = analysis->timeline] { timeline->setHiddenRows(viewer->filteredOutRows()); });
    }
    actionsStack->setCurrentWidget(analysis->panel);
    timelineStack->setCurrentWidget(analysis->timeline);
    if (!analysis->done && !analysis->task && viewer->logFile() && !viewer->isLoading())
        analyse(viewer);
}

void MirtLogFileAnalyzer::analyse(LogFileViewer *viewer)
{
    std::shared_ptr<Analysis> analysis = analyses.value(viewer);
    if (!analysis)
        return;
    std::shared_ptr<LogFile> file = viewer->logFile();
    analysis->task = ActionAnalysisTask::start(
        file, handoff, [this, viewer, file](const ActionAnalysisTask::Result &result) {
            std::shared_ptr<Analysis> current = analyses.value(viewer);
            if (!current)
                return;
            current->task.reset();
            current->done = true;
            if (current->panel)
                current->panel->setAnalysis(result.analysis, file);
            if (current->timeline) {
                current->timeline->setAnalysis(result.analysis, result.lanes);
                current->timeline->setHiddenRows(viewer->filteredOutRows());
            }
            if (current->panel && viewer->currentEntry() >= 0)
                current->panel->showRunOf(viewer->currentEntry());
        });
}

void MirtLogFileAnalyzer::forgetAnalysis(LogFileViewer *viewer)
{
    std::shared_ptr<Analysis> analysis = analyses.take(viewer);
    if (!analysis)
        return;
    if (analysis->task)
        analysis->task->cancel();
    delete analysis->panel;
    delete analysis->timeline;
}

void MirtLogFileAnalyzer::applyQuickFilter(LogFileViewer *viewer, const QString &clause)
{
    if (clause.isEmpty())
        return;
    if (tabs->currentWidget() != viewer)
        tabs->setCurrentWidget(viewer);
    // The whole expression goes into the filter line, where it can be read
    // and changed, and applies as if Return had been pressed.
    filterEdit->setText(quickfilter::combine(viewer->filterText(), clause));
    filterEntered();
}

void MirtLogFileAnalyzer::updateBusy()
{
    bool now = false;
    for (LogFileViewer *viewer : viewers())
        now = now || viewer->isBusy();
    if (now == busy)
        return;
    busy = now;
    emit busyChanged(busy);
}

void MirtLogFileAnalyzer::fileOpen()
{
    const QStringList paths = QFileDialog::getOpenFileNames(this, QStringLiteral("Open File"), lastDir,
                                                            QStringLiteral("Log Files (*.log);;All Files(*.*)"));
    if (paths.isEmpty())
        return;
    QStringList existing;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.exists()) {
            lastDir = info.absoluteDir().absolutePath();
            existing << path;
        } else {
            QMessageBox::critical(this, QStringLiteral("Error"), QStringLiteral("The path given does not exist"),
                                  QMessageBox::Ok, QMessageBox::NoButton);
        }
    }
    if (existing.isEmpty())
        return;
    settings.setValue(QStringLiteral("LastDir"), lastDir);
    openLogFiles(existing, true);
}

void MirtLogFileAnalyzer::dragEnterEvent(QDragEnterEvent *event)
{
    for (const QUrl &url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            return;
        }
    }
}

void MirtLogFileAnalyzer::dropEvent(QDropEvent *event)
{
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    openLogFiles(paths, true);
}

void MirtLogFileAnalyzer::currentTabChanged()
{
    LogFileViewer *viewer = currentViewer();
    // The filter line, the context and Follow show what applies to this tab.
    filterEdit->setText(viewer ? viewer->filterText() : QString());
    filterEdit->setInvalid(false);
    {
        const QSignalBlocker blocking(contextSpin);
        contextSpin->setValue(viewer ? viewer->contextRowCount() : 0);
    }
    {
        const QSignalBlocker blocking(followAction);
        followAction->setEnabled(viewer != nullptr);
        followAction->setChecked(viewer && viewer->isFollowing());
    }
    // The search moves with the tab.
    if (findViewer && findViewer != viewer)
        findViewer->find(QString(), false, false);
    findViewer = nullptr;
    if (findBar->isVisible())
        runFind();
}

void MirtLogFileAnalyzer::runFind()
{
    LogFileViewer *viewer = currentViewer();
    if (findViewer && findViewer != viewer)
        findViewer->find(QString(), false, false);
    findViewer = viewer;
    if (!viewer) {
        findBar->showCount(-1, 0);
        return;
    }
    viewer->find(findBar->text(), findBar->matchCase(), findBar->regularExpression());
    showFindCount();
}

void MirtLogFileAnalyzer::showFindCount()
{
    if (!findViewer)
        return;
    if (findViewer->isCounting()) {
        findBar->showCounting();
        return;
    }
    findBar->showCount(findViewer->findIndex(), findViewer->isFindValid() ? findViewer->findCount() : -1);
}

void MirtLogFileAnalyzer::findNext(bool forward)
{
    if (findBar->isHidden() || findBar->text().isEmpty()) {
        findBar->open();
        return;
    }
    if (findViewer != currentViewer())
        runFind();
    if (findViewer && !findViewer->findNext(forward) && findViewer->isFindValid())
        setStatus(QStringLiteral("'%1' is not in the rows shown").arg(findBar->text()));
    showFindCount();
}

void MirtLogFileAnalyzer::goToNext(int type, bool forward)
{
    LogFileViewer *viewer = currentViewer();
    if (!viewer || viewer->goToNext(EntryType(type), forward))
        return;
    const QString what = type == Error ? QStringLiteral("error") : QStringLiteral("warning");
    setStatus(forward ? QStringLiteral("no later %1 is shown").arg(what) : QStringLiteral("no earlier %1 is shown").arg(what));
}

void MirtLogFileAnalyzer::goToTime()
{
    LogFileViewer *viewer = currentViewer();
    if (!viewer)
        return;
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("goToTimeDialog"));
    dialog.setWindowTitle(tr("Go to Time"));
    dialog.setLabelText(tr("Time in seconds:"));
    if (dialog.exec() != QDialog::Accepted || !tabs->isAncestorOf(viewer))
        return;
    const QString text = dialog.textValue().trimmed();
    bool number = false;
    const double time = text.toDouble(&number);
    if (!number || !std::isfinite(time))
        setStatus(QStringLiteral("'%1' is not a time").arg(text));
    else if (viewer->isLoading())
        setStatus(QStringLiteral("the file is still being read"));
    else if (!viewer->goToTime(time))
        setStatus(QStringLiteral("no row shown at or after time %1").arg(text));
}

void MirtLogFileAnalyzer::exportChosen()
{
    LogFileViewer *viewer = currentViewer();
    if (!viewer)
        return;
    const QString suggested = QDir(lastDir).filePath(QFileInfo(displayPath(viewer->path())).baseName()
                                                     + QStringLiteral("-shown.log"));
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export Visible Rows"), suggested,
                                                      QStringLiteral("Log Files (*.log);;All Files(*.*)"));
    if (!path.isEmpty())
        exportVisibleRows(path);
}

void MirtLogFileAnalyzer::exportVisibleRows(const QString &path)
{
    if (LogFileViewer *viewer = currentViewer()) {
        setStatus(QStringLiteral("writing '%1'").arg(displayPath(path)));
        viewer->exportShownRows(path);
    }
}

void MirtLogFileAnalyzer::fileClose()
{
    closeTab(tabs->currentIndex());
}

void MirtLogFileAnalyzer::closeTab(int index)
{
    auto *viewer = qobject_cast<LogFileViewer *>(tabs->widget(index));
    if (!viewer)
        return;
    tabs->removeTab(index);
    forgetAnalysis(viewer);
    // Stops its reading or filtering at once, and frees its rows without
    // holding up the window.
    viewer->dispose();
    updateBusy();
}

void MirtLogFileAnalyzer::viewExpandAll()
{
    if (LogFileViewer *viewer = currentViewer())
        viewer->expandAllRows();
}

void MirtLogFileAnalyzer::viewCollapseAll()
{
    if (auto *viewer = qobject_cast<QTreeWidget *>(tabs->currentWidget()))
        viewer->collapseAll();
}

void MirtLogFileAnalyzer::filterEntered()
{
    const QString text = filterEdit->text();
    const QList<LogFileViewer *> targets = applyToAllTabs->isChecked() ? viewers() : QList<LogFileViewer *>{currentViewer()};
    if (text.isEmpty()) {
        setStatus(QStringLiteral("Ready"));
        statusViewer = nullptr;
        for (LogFileViewer *viewer : targets) {
            if (viewer)
                viewer->clearFilter();
        }
        return;
    }
    QString error;
    int position = 0;
    if (filter.parse(filterContext, text, error, position)) {
        filterText = text;
        filterEdit->remember(text);
        settings.setValue(QStringLiteral("FilterHistory"), filterEdit->history());
        applyFilter();
        if (applyToAllTabs->isChecked()) {
            for (LogFileViewer *viewer : targets) {
                if (viewer != currentViewer())
                    viewer->applyFilter(filterText);
            }
        }
        return;
    }
    if (error.isEmpty()) {
        // Some steps of the parser fail without a word; the user still
        // learns what was expected, and where.
        error = QStringLiteral("expected a value at position %1").arg(position + 1);
        if (position < text.size())
            error += QStringLiteral(", got '") + text.at(position) + QLatin1Char('\'');
    }
    filterEdit->setInvalid(true);
    setStatus(error);
}

void MirtLogFileAnalyzer::applyFilter()
{
    LogFileViewer *viewer = currentViewer();
    if (!viewer) {
        setStatus(QStringLiteral("Ready"));
        return;
    }
    // The viewer filters its own rows, off this thread; the status line
    // says what it did once it is done.
    statusViewer = viewer;
    viewer->applyFilter(filterText);
}

void MirtLogFileAnalyzer::closeEvent(QCloseEvent *event)
{
    settings.setValue(QStringLiteral("ShowActions"), viewActions->isChecked());
    settings.setValue(QStringLiteral("ShowTimeline"), viewTimeline->isChecked());
    settings.setValue(QStringLiteral("geometry"), saveGeometry());
    settings.setValue(QStringLiteral("windowState"), saveState(0));
    QMainWindow::closeEvent(event);
}
