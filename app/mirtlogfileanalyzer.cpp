#include "mirtlogfileanalyzer.h"

#include "analysisdocks.h"
#include "commandline.h"
#include "compiledfilter.h"
#include "exportdelivery.h"
#include "filterhelp.h"
#include "filterline.h"
#include "findbar.h"
#include "findcontrol.h"
#include "localpath.h"
#include "logfile.h"
#include "logfileviewer.h"
#include "logtab.h"
#include "pendingtabs.h"
#include "problemreport.h"
#include "recentfiles.h"
#include "settingslists.h"
#include "tabarea.h"
#include "windowlook.h"
#include "windowgeometry.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QUrl>

#include <cmath>

#include <unistd.h>

using problemreport::groupedNumber;

namespace {

QList<QByteArray> &commandLineBytes()
{
    static QList<QByteArray> bytes;
    return bytes;
}

} // namespace

void MirtLogFileAnalyzer::setCommandLineBytes(int argc, const char *const *argv)
{
    commandLineBytes().clear();
    for (int i = 0; i < argc && argv[i]; ++i)
        commandLineBytes().append(QByteArray(argv[i]));
}

commandline::Parsed MirtLogFileAnalyzer::commandLineRequest()
{
    // The toolkit decodes arguments with replacement characters for bytes
    // the locale cannot read, so names are taken from the bytes themselves
    // where the program entry gave them.
    const QList<QByteArray> &bytes = commandLineBytes();
    QStringList arguments;
    for (int i = 1; i < bytes.size(); ++i)
        arguments << decodeLocalPath(bytes.at(i));
    if (bytes.isEmpty())
        arguments = QCoreApplication::arguments().mid(1);
    // Options were answered by the program entry; the window opens files.
    return commandline::parse(arguments);
}

MirtLogFileAnalyzer::MirtLogFileAnalyzer(QWidget *parent)
    : QMainWindow(parent)
{
    tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabs"));
    tabs->setTabsClosable(true);
    tabs->setMovable(true);
    connect(tabs, &QTabWidget::tabCloseRequested, this, &MirtLogFileAnalyzer::closeTab);
    setAcceptDrops(true);
    setWindowTitle(QStringLiteral("MirtLogFileAnalyzer"));

    pendingTabs = new PendingTabs(this);
    connect(pendingTabs, &PendingTabs::drained, this, &MirtLogFileAnalyzer::updateBusy);

    statusLabel = new QLabel(QStringLiteral("Ready"));
    statusBar()->addWidget(statusLabel, 0);

    buildMenus();
    buildFilterBar();
    finding = new FindControl(this, [this] { return currentTab(); });
    // "Not found" holds until the next search.
    connect(finding, &FindControl::notFound, this, [this](LogTab *tab, const QString &message) {
        if (tab->statusText() != message)
            notFoundBefore = {tab, tab->statusText(), tab->statusToolTip(), message};
        setTabStatus(tab, message);
    });
    connect(finding, &FindControl::searchStarted, this, [this] {
        LogTab *tab = notFoundBefore.tab;
        if (tab && tab->statusText() == notFoundBefore.message)
            setTabStatus(tab, notFoundBefore.text, notFoundBefore.toolTip);
        notFoundBefore = {};
    });
    setCentralWidget(new TabArea(tabs, finding->bar()));
    docks = new AnalysisDocks(this, viewMenu, [this] { return currentTab(); });
    new WindowLook(this, viewMenu, settings);
    connect(docks, &AnalysisDocks::rangeChosen, this, [this](double from, double to) {
        if (!std::isfinite(from) || !std::isfinite(to))
            return; // a filter that reads "nan" or "inf" helps nobody
        filterEdit->setText(QStringLiteral("time >= %1 && time <= %2")
                                .arg(QString::number(from, 'f', 3), QString::number(to, 'f', 3)));
        filterEdit->setFocus();
    });
    connect(docks, &AnalysisDocks::filterRequested, this, [this](const QString &filter) {
        filterEdit->setText(filter);
        filterEntered();
    });
    connect(docks, &AnalysisDocks::statusMessage, this,
            [this](LogTab *tab, const QString &text) { setTabStatus(tab, text); });
    connect(tabs, &QTabWidget::currentChanged, this, &MirtLogFileAnalyzer::currentTabChanged);
    buildBookmarks();

    const commandline::Parsed asked = commandLineRequest();
    QStringList sessions;
    const QStringList files = withoutSessions(asked.files, sessions);
    restoreSessionsAtStart(sessions, !asked.files.isEmpty());
    if (asked.merge)
        openMerged(files);
    else
        openLogFiles(files);
    restoreWindow();
}

void MirtLogFileAnalyzer::restoreWindow()
{
    const bool restored = settings.contains(QStringLiteral("geometry"))
        && restoreGeometry(settings.value(QStringLiteral("geometry")).toByteArray());
    if (!restored || !windowgeometry::fitRestored(this))
        windowgeometry::placeOnFirstStart(this);
    if (settings.contains(QStringLiteral("windowState")))
        restoreState(settings.value(QStringLiteral("windowState")).toByteArray(), 0);
    lastDir = settingslists::boundedString(settings.value(QStringLiteral("LastDir")), RecentFiles::maxPathLength,
                                           QStringLiteral("."));
    // Whether the panels show is remembered on its own: the saved window
    // state may not know the docks yet.
    docks->setShown(settings.value(QStringLiteral("ShowActions"), false).toBool(),
                    settings.value(QStringLiteral("ShowTimeline"), false).toBool());
}

MirtLogFileAnalyzer::~MirtLogFileAnalyzer()
{
    // Work still running in the background stops, and what it read is left
    // to the system: the window closes at once, whatever is open.
    for (LogTab *tab : openTabs()) {
        disconnect(tab, nullptr, this, nullptr);
        tab->viewer()->abandon();
    }
}

void MirtLogFileAnalyzer::setStatus(const QString &text, const QString &toolTip)
{
    if (LogTab *tab = currentTab())
        setTabStatus(tab, text, toolTip);
    else
        showStatus(text, toolTip);
}

void MirtLogFileAnalyzer::setTabStatus(LogTab *tab, const QString &text, const QString &toolTip)
{
    tab->setStatus(text, toolTip);
    if (tab == currentTab())
        showStatus(text, toolTip);
}

void MirtLogFileAnalyzer::showStatus(const QString &text, const QString &toolTip)
{
    statusLabel->setText(text);
    statusLabel->setToolTip(toolTip);
}

void MirtLogFileAnalyzer::openLogFile(const QString &path)
{
    openLogFiles({path});
}

void MirtLogFileAnalyzer::openLogFiles(const QStringList &paths, bool makeCurrent)
{
    QStringList failures; // reader messages of files that did not open
    QStringList failedNames;
    QStringList opened;
    auto batch = std::make_shared<OpenBatch>();
    const auto show = [this](LogTab *tab, bool current) {
        if (current)
            tabs->setCurrentWidget(tab->viewer());
    };
    int added = 0;
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
        const bool current = makeCurrent && opened.isEmpty();
        opened << path;
        const LogTab::FileId id = LogTab::FileId::of(fd);
        if (LogTab *tab = tabOfFile(fd)) {
            // Open already: Reload is the way to read it again.
            ::close(fd);
            show(tab, current);
        } else if (pendingTabs->contains(id)) {
            ::close(fd);
        } else if (pendingTabs->isEmpty() && added < PendingTabs::perTurn) {
            ++added;
            ++batch->loading;
            show(addTab(path, fd, batch), current);
        } else {
            // The tabs of a long list follow, a few per turn.
            ++batch->loading;
            pendingTabs->push(id, fd, [this, path, batch, current, show](int file) {
                show(addTab(path, file, batch), current);
            });
        }
    }
    // Saved and shown once for the whole call, however many files it opens.
    rememberRecent(opened);
    batch->failures = !failures.isEmpty();
    // Files that could not be opened belong to no tab: the status line says
    // so until something else is said.
    if (failures.size() == 1)
        showStatus(failures.first());
    else if (failures.size() > 1)
        showStatus(problemreport::openFailures(failures, failedNames), failures.join(QLatin1Char('\n')));
    updateBusy();
}

LogTab *MirtLogFileAnalyzer::tabOfFile(int fd) const
{
    const LogTab::FileId id = LogTab::FileId::of(fd);
    for (LogTab *tab : openTabs()) {
        if (tab->fileId() == id)
            return tab;
    }
    return nullptr;
}

void MirtLogFileAnalyzer::rememberRecent(const QStringList &paths)
{
    QStringList kept;
    for (const QString &path : paths) {
        // Names with bytes the locale cannot decode would not survive the
        // settings file; they are left out rather than kept broken.
        if (displayPath(path) == path)
            kept << QFileInfo(path).absoluteFilePath();
    }
    recentFiles->add(kept);
}

LogTab *MirtLogFileAnalyzer::addTab(const QString &path, int fd, const std::shared_ptr<OpenBatch> &batch, int index,
                                    bool followed)
{
    auto *tab = new LogTab(path, fd, this, followed);
    attachTab(tab, batch, index, displayPath(path));
    return tab;
}

void MirtLogFileAnalyzer::attachTab(LogTab *tab, const std::shared_ptr<OpenBatch> &batch, int index,
                                    const QString &toolTip)
{
    exportDelivery()->attach(tab->viewer());
    tab->viewer()->setLineNumbersShown(lineNumbersWanted());
    index = tabs->insertTab(index, tab->viewer(), tab->name());
    tabs->setTabToolTip(index, toolTip);
    connect(tab, &LogTab::shiftSourceRequested, this, &MirtLogFileAnalyzer::shiftSource);
    connect(tab, &LogTab::busyChanged, this, &MirtLogFileAnalyzer::updateBusy);
    connect(tab, &LogTab::loaded, this, [this, batch](LogTab *loaded) { tabLoaded(loaded, batch); });
    connect(tab, &LogTab::filterApplied, this, &MirtLogFileAnalyzer::tabFiltered);
    connect(tab, &LogTab::findCounted, finding, &FindControl::counted);
    connect(tab, &LogTab::currentEntryChanged, finding, &FindControl::currentRowChanged);
    connect(tab, &LogTab::quickFilterChosen, this, &MirtLogFileAnalyzer::applyQuickFilter);
    connect(tab, &LogTab::exportRequested, this, [this](LogTab *chosen) {
        tabs->setCurrentWidget(chosen->viewer());
        exportChosen();
    });
    connect(tab, &LogTab::exportFinished, this, &MirtLogFileAnalyzer::tabExported);
    connectOriginalLines(tab);
    connect(tab, &LogTab::rowsAppended, this, &MirtLogFileAnalyzer::tabGrew);
    connect(tab, &LogTab::reloadNeeded, this, &MirtLogFileAnalyzer::tabNeedsReload);
    connect(tab, &LogTab::readableAgain, this, [this](LogTab *waited) {
        if (waited->viewer())
            reloadViewer(waited->viewer(),
                         QStringLiteral("%1 can be read again: read again from its start").arg(waited->name()));
    });
    connect(tab, &LogTab::viewerGone, this, [this, batch](LogTab *gone) { tabGone(gone, batch); });
    watchBookmarks(tab);
}

void MirtLogFileAnalyzer::tabFiltered(LogTab *tab, int shown, int total)
{
    // Only a filter the user applied says what it did; one restored by a
    // reload leaves the tab's note.
    if (!tab->takeFilterReport())
        return;
    QString text = QStringLiteral("%1 of %2 rows shown").arg(groupedNumber(shown), groupedNumber(total));
    const std::shared_ptr<const CompiledFilter> &filter = tab->viewer()->compiledFilter();
    if (shown == 0 && filter && !filter->capitalLiteral().isEmpty())
        text += QStringLiteral(" (values are compared in small letters: try \"%1\")")
                    .arg(filter->capitalLiteral().toLower());
    setTabStatus(tab, text);
}

void MirtLogFileAnalyzer::tabExported(LogTab *tab, const RecordExport::Result &result)
{
    const QString text = result.written
        ? QStringLiteral("%1 rows written to '%2'").arg(groupedNumber(result.rows), displayPath(result.path))
        : QStringLiteral("could not export to '%1': %2").arg(displayPath(result.path), result.error);
    // An export whose tab is gone is told to whoever looks.
    if (tab)
        setTabStatus(tab, text);
    else
        setStatus(text);
}

void MirtLogFileAnalyzer::tabGrew(LogTab *tab)
{
    // Lines that came and could not be read are reported as those of the
    // load were.
    const LogFile &file = *tab->viewer()->logFile();
    if (file.problemCount() != tab->markedProblems()) {
        markProblems(tab);
        setTabStatus(tab, problemreport::summary(file.problemCount(), tab->name()),
                     problemreport::listed(file, problemreport::maxListedMessages).join(QLatin1Char('\n')));
    }
    // The analysis shows what the file held when it was made; a file that
    // grows is analysed again now and then.
    docks->fileGrew(tab);
}

void MirtLogFileAnalyzer::tabNeedsReload(LogTab *tab, ReloadReason reason)
{
    QString what;
    switch (reason) {
    case ReloadReason::Replaced:
        what = QStringLiteral("was replaced by a new file");
        break;
    case ReloadReason::Shorter:
        what = QStringLiteral("became shorter");
        break;
    case ReloadReason::Rewritten:
        what = QStringLiteral("was written anew");
        break;
    case ReloadReason::Continued:
        break;
    }
    reloadViewer(tab->viewer(),
                 what.isEmpty() ? QString() : QStringLiteral("%1 %2: read again from its start").arg(tab->name(), what));
}

void MirtLogFileAnalyzer::tabGone(LogTab *tab, const std::shared_ptr<OpenBatch> &batch)
{
    tab->deleteLater();
    // A tab closed before its file was read no longer holds up the others.
    if (batch->loading > 0 && --batch->loading == 0)
        showBatchProblems(*batch);
    updateBusy();
}

void MirtLogFileAnalyzer::reloadViewer(LogFileViewer *viewer, const QString &note)
{
    LogTab *tab = tabOf(viewer);
    const int index = tabs->indexOf(viewer);
    if (!tab || index < 0)
        return;
    if (tab->isMerged()) {
        reloadMerged(tab, tab->shifts(), note);
        return;
    }
    QString error;
    const int fd = openLogFileDescriptor(tab->path(), error);
    if (fd < 0) {
        if (!viewer->isFollowing()) {
            setTabStatus(tab, error);
            return;
        }
        // Following goes on: the file is read again from its start as soon
        // as it can be.
        const QString waiting = QStringLiteral("waiting for %1 to be a readable file again").arg(tab->name());
        tabs->setTabToolTip(index, waiting + QLatin1Char('\n') + displayPath(tab->path()) + QLatin1Char('\n') + error);
        setTabStatus(tab, waiting, error);
        tab->waitForFile();
        return;
    }
    tab->stopWaiting();
    const bool current = tabs->currentIndex() == index;
    const LogFileViewer::ViewState state = viewer->viewState();
    auto batch = std::make_shared<OpenBatch>();
    batch->loading = 1;
    LogTab *fresh = addTab(tab->path(), fd, batch, index, state.following);
    const QString refusal = replaceTab(viewer, fresh, state, current);
    setTabStatus(fresh, !refusal.isEmpty() ? refusal : note.isEmpty() ? QStringLiteral("Ready") : note);
    updateBusy();
}

QString MirtLogFileAnalyzer::replaceTab(LogFileViewer *old, LogTab *fresh, const LogFileViewer::ViewState &state,
                                        bool current)
{
    // Rewritten as compressed data, a followed file is read but no longer followed.
    const QString refusal = state.following ? fresh->followRefusal() : QString();
    LogFileViewer::ViewState restored = state;
    restored.following = state.following && refusal.isEmpty();
    fresh->viewer()->restoreViewState(restored);
    if (current)
        tabs->setCurrentWidget(fresh->viewer());
    closeTab(tabs->indexOf(old));
    return refusal;
}

void MirtLogFileAnalyzer::markProblems(LogTab *tab)
{
    const int index = tabs->indexOf(tab->viewer());
    const LogFile &file = *tab->viewer()->logFile();
    tab->setMarkedProblems(file.problemCount());
    if (index < 0)
        return;
    QString shown = displayPath(tab->path());
    if (file.compression() != LogCompression::None && !tab->isMerged()) {
        // What the file holds once expanded, which its size on disk hides.
        shown += QStringLiteral("\n%1 compressed, %2 of text")
                     .arg(compressionName(file.compression()), QLocale::c().formattedDataSize(file.textSize()));
        if (file.problemCount() == 0)
            tabs->setTabToolTip(index, shown);
    }
    if (file.problemCount() == 0)
        return;
    // Stays with the tab, whatever the status line says later.
    tabs->setTabIcon(index, style()->standardIcon(QStyle::SP_MessageBoxWarning));
    tabs->setTabToolTip(index, problemreport::tabToolTip(shown, file));
}

void MirtLogFileAnalyzer::tabLoaded(LogTab *tab, const std::shared_ptr<OpenBatch> &batch)
{
    markProblems(tab);
    if (tabs->indexOf(tab->viewer()) >= 0 && tab->viewer()->logFile()->problemCount() > 0)
        batch->damaged << tab;
    if (batch->loading > 0 && --batch->loading == 0)
        showBatchProblems(*batch);
    if (tab == currentTab())
        docks->show(tab);
}

void MirtLogFileAnalyzer::showBatchProblems(const OpenBatch &batch)
{
    // Named in the order of the tabs, whichever file was read first.
    QList<LogTab *> damaged;
    for (int index = 0; index < tabs->count(); ++index) {
        for (const QPointer<LogTab> &tab : batch.damaged) {
            if (tab && tabs->widget(index) == tab->viewer())
                damaged << tab;
        }
    }
    // Each damaged tab says what became of its own file. Files of the batch
    // that could not be opened at all were named already: that stays in
    // view until something else is said.
    QStringList names;
    QStringList tip;
    for (LogTab *tab : damaged) {
        const LogFile &file = *tab->viewer()->logFile();
        names << tab->name();
        tip << problemreport::summary(file.problemCount(), tab->name()) + QLatin1Char(':');
        tip << problemreport::listed(file, problemreport::maxListedMessages / damaged.size());
        const QString summary = problemreport::summary(file.problemCount(), tab->name());
        const QString listed = problemreport::listed(file, problemreport::maxListedMessages).join(QLatin1Char('\n'));
        if (batch.failures)
            tab->setStatus(summary, listed);
        else
            setTabStatus(tab, summary, listed);
    }
    // A tab of several damaged ones opened together names them all.
    if (batch.failures || damaged.size() < 2 || !damaged.contains(currentTab()))
        return;
    setTabStatus(currentTab(),
                 QStringLiteral("lines of %1 files could not be read: %2")
                     .arg(damaged.size())
                     .arg(names.join(QStringLiteral(", "))),
                 tip.join(QLatin1Char('\n')));
}

LogTab *MirtLogFileAnalyzer::tabOf(const QWidget *page) const
{
    for (LogTab *tab : findChildren<LogTab *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (page && tab->viewer() == page)
            return tab;
    }
    return nullptr;
}

LogTab *MirtLogFileAnalyzer::currentTab() const
{
    return tabOf(tabs->currentWidget());
}

LogFileViewer *MirtLogFileAnalyzer::currentViewer() const
{
    return qobject_cast<LogFileViewer *>(tabs->currentWidget());
}

QList<LogTab *> MirtLogFileAnalyzer::openTabs() const
{
    // One look at the children for all the tabs: with hundreds of tabs, a
    // look per tab made every count of them slow.
    QHash<const QWidget *, LogTab *> byPage;
    for (LogTab *tab : findChildren<LogTab *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (tab->viewer())
            byPage.insert(tab->viewer(), tab);
    }
    QList<LogTab *> all;
    for (int i = 0; i < tabs->count(); ++i) {
        if (LogTab *tab = byPage.value(tabs->widget(i)))
            all << tab;
    }
    return all;
}

void MirtLogFileAnalyzer::updateBusy()
{
    // An export goes on, and is reported, after its tab is closed.
    bool now = (exports && exports->isRunning()) || !pendingTabs->isEmpty() || comparisonsBusy() || sessionOpening;
    for (LogTab *tab : openTabs())
        now = now || tab->viewer()->isBusy();
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
    QStringList sessions;
    const QStringList files = withoutSessions(paths, sessions);
    for (const QString &session : sessions)
        openSession(session);
    openLogFiles(files, true);
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
    finding->tabChanged();
    docks->show(currentTab());
    // The status line says what it last said about this tab.
    if (LogTab *tab = currentTab())
        showStatus(tab->statusText(), tab->statusToolTip());
    else if (auto *comparison = qobject_cast<RunComparisonView *>(tabs->currentWidget()))
        showStatus(comparison->statusText());
    else
        showStatus(QStringLiteral("Ready"));
    // "[*]" in a name would be taken for the mark of a changed document.
    const QString name = tabs->tabText(tabs->currentIndex()).replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    setWindowTitle(viewer ? name + QStringLiteral(" \u2014 MirtLogFileAnalyzer") : QStringLiteral("MirtLogFileAnalyzer"));
}

ExportDelivery *MirtLogFileAnalyzer::exportDelivery()
{
    if (exports)
        return exports;
    exports = new ExportDelivery(this);
    connect(exports, &ExportDelivery::runningChanged, this, &MirtLogFileAnalyzer::updateBusy);
    connect(exports, &ExportDelivery::finishedWithoutViewer, this,
            [this](const RecordExport::Result &result) { tabExported(nullptr, result); });
    return exports;
}

void MirtLogFileAnalyzer::exportVisibleRows(const QString &path, RecordExport::Form form)
{
    if (LogFileViewer *viewer = currentViewer()) {
        setStatus(QStringLiteral("writing '%1'").arg(displayPath(path)));
        viewer->exportShownRows(path, form);
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
        return closeComparison(index);
    LogTab *tab = tabOf(viewer);
    tabs->removeTab(index);
    if (tab)
        tab->forgetAnalysis();
    // Stops its reading or filtering at once, and frees its rows without
    // holding up the window.
    viewer->dispose();
    updateBusy();
}

void MirtLogFileAnalyzer::closeEvent(QCloseEvent *event)
{
    saveLastSession();
    settings.setValue(QStringLiteral("ShowActions"), docks->actionsToggle()->isChecked());
    settings.setValue(QStringLiteral("ShowTimeline"), docks->timelineToggle()->isChecked());
    settings.setValue(QStringLiteral("geometry"), saveGeometry());
    settings.setValue(QStringLiteral("windowState"), saveState(0));
    QMainWindow::closeEvent(event);
}
