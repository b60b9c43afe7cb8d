// Sessions: File > Save Session... and Open Session..., a session named on
// the command line or dropped on the window, the session of the last run
// kept on quit and restored at start when asked for.

#include "mirtlogfileanalyzer.h"

#include "analysisdocks.h"
#include "backgroundwork.h"
#include "filefingerprint.h"
#include "localpath.h"
#include "logfile.h"
#include "logfileentry.h"
#include "logfileviewer.h"
#include "logtab.h"
#include "pendingtabs.h"
#include "sessionjson.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QMenu>
#include <QPointer>
#include <QTabWidget>
#include <QTimer>

#include <unistd.h>

// What the window keeps for its sessions.
struct SessionSupport
{
    BackgroundWork *work = nullptr;
    // The look at the files of the session being opened.
    CancelToken opening;
    // The session whose tabs are being added, a few per turn of the event
    // loop: the next tab to add, what could not be done so far, and the tab
    // to make current. A session opened meanwhile counts `generation` on
    // and stops the adding.
    std::shared_ptr<const SessionCheck> adding;
    size_t next = 0;
    QStringList problems;
    QPointer<LogTab> current;
    int currentSaved = -1;
    // The log tabs open when the session was asked for, still to close.
    QList<QPointer<QWidget>> replaced;
    int generation = 0;
};

namespace {

const QString restoreLastKey = QStringLiteral("RestoreLastSession");
// How long one turn of the event loop may spend closing and making tabs.
constexpr qint64 turnMilliseconds = 20;

QStringList filesOf(const LogTab *tab)
{
    return tab->isMerged() ? tab->paths() : QStringList{tab->path()};
}

// The entry whose record is on `line` of its file (of file `source`, in a
// merged file), else the last one before it; -1 when there is none.
int entryAtLine(const LogFile &file, qint64 line, int source)
{
    const int count = file.entries().size();
    if (!file.isMerged()) {
        // Lines grow with the entries.
        int low = 0;
        int high = count;
        while (low < high) {
            const int middle = low + (high - low) / 2;
            if (file.lineOf(middle) < line)
                low = middle + 1;
            else
                high = middle;
        }
        if (low < count && file.lineOf(low) == line)
            return low;
        return low - 1;
    }
    int before = -1;
    for (int i = 0; i < count; ++i) {
        if (file.entries().at(i)->source() != source)
            continue;
        if (file.lineOf(i) == line)
            return i;
        if (file.lineOf(i) < line)
            before = i;
    }
    return before;
}

// How the files of each tab are now, looked at off the GUI thread.
using FileChanges = std::vector<std::vector<fingerprints::Change>>;

FileChanges lookAtFiles(const std::vector<SessionTab> &saved, const CancelToken &token)
{
    FileChanges changes;
    QHash<QString, fingerprints::Change> seen;
    for (const SessionTab &tab : saved) {
        changes.emplace_back();
        for (const SessionFile &file : tab.files) {
            if (token.isCancelled())
                return changes;
            const QString key = file.path + QLatin1Char('\n') + QString::fromLatin1(file.fingerprint.sha256);
            auto found = seen.find(key);
            if (found == seen.end())
                found = seen.insert(key, fingerprints::compare(file.path, file.fingerprint));
            changes.back().push_back(*found);
        }
    }
    return changes;
}

} // namespace

// A session read and its files looked at, ready to open.
struct SessionCheck
{
    std::vector<SessionTab> tabs;
    FileChanges changes;
    int current = -1;
    QStringList notes;
    QString name;
    // Why the session was refused; empty when it was read.
    QString error;
};

void MirtLogFileAnalyzer::addSessionActions(QMenu *fileMenu)
{
    fileMenu->addSeparator();
    QAction *save = fileMenu->addAction(tr("Save Session..."));
    save->setObjectName(QStringLiteral("fileSaveSession"));
    connect(save, &QAction::triggered, this, [this] {
        QString path = QFileDialog::getSaveFileName(this, tr("Save Session"),
                                                    QDir(lastDir).filePath(QStringLiteral("investigation.mirtsession")),
                                                    tr("Sessions (*.mirtsession)"));
        if (path.isEmpty())
            return;
        if (!sessionjson::isSessionFile(path))
            path += sessionjson::extension;
        saveSession(path);
    });
    QAction *open = fileMenu->addAction(tr("Open Session..."));
    open->setObjectName(QStringLiteral("fileOpenSession"));
    connect(open, &QAction::triggered, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, tr("Open Session"), lastDir,
                                                          tr("Sessions (*.mirtsession);;All Files(*.*)"));
        if (!path.isEmpty())
            openSession(path);
    });
    restoreLastSession = fileMenu->addAction(tr("Restore Last Session at Start"));
    restoreLastSession->setObjectName(QStringLiteral("fileRestoreLastSession"));
    restoreLastSession->setCheckable(true);
    restoreLastSession->setChecked(settings.value(restoreLastKey, false).toBool());
    connect(restoreLastSession, &QAction::toggled, this,
            [this](bool on) { settings.setValue(restoreLastKey, on); });
}

QStringList MirtLogFileAnalyzer::withoutSessions(const QStringList &paths, QStringList &sessions)
{
    QStringList files;
    for (const QString &path : paths)
        (sessionjson::isSessionFile(path) ? sessions : files) << path;
    return files;
}

QString MirtLogFileAnalyzer::lastSessionPath() const
{
    return QFileInfo(settings.fileName()).absoluteDir().filePath(QStringLiteral("last.mirtsession"));
}

void MirtLogFileAnalyzer::restoreSessionsAtStart(const QStringList &sessions, bool filesGiven)
{
    for (const QString &path : sessions)
        openSession(path);
    if (!filesGiven && restoreLastSession->isChecked() && QFileInfo::exists(lastSessionPath()))
        openSession(lastSessionPath());
}

void MirtLogFileAnalyzer::saveLastSession()
{
    QDir().mkpath(QFileInfo(lastSessionPath()).absolutePath());
    // A program that quits has no status line left to complain in.
    saveSession(lastSessionPath());
}

bool MirtLogFileAnalyzer::saveSession(const QString &path)
{
    Session session;
    QHash<QString, FileFingerprint> taken;
    for (LogTab *tab : openTabs()) {
        SessionTab saved;
        saved.merged = tab->isMerged();
        const QStringList paths = filesOf(tab);
        for (int i = 0; i < paths.size(); ++i) {
            const QString absolute = QFileInfo(paths.at(i)).absoluteFilePath();
            auto found = taken.find(absolute);
            if (found == taken.end())
                found = taken.insert(absolute, fingerprints::take(absolute));
            const double shift = size_t(i) < tab->shifts().size() ? tab->shifts()[size_t(i)] : 0.0;
            saved.files.push_back({absolute, saved.merged ? shift : 0.0, *found});
        }
        LogFileViewer *viewer = tab->viewer();
        // Not viewState(): finding the row at the top lays out a view that
        // is not shown.
        saved.filter = viewer->filterText();
        saved.contextRows = viewer->contextRowCount();
        saved.following = viewer->isFollowing();
        const std::shared_ptr<LogFile> &file = viewer->logFile();
        const int entry = viewer->currentEntry();
        if (file && entry >= 0 && entry < file->entries().size()) {
            saved.currentLine = file->lineOf(entry);
            saved.currentSource = saved.merged ? file->entries().at(entry)->source() : 0;
        }
        saved.showActions = docks->actionsToggle()->isChecked();
        saved.showTimeline = docks->timelineToggle()->isChecked();
        collectSessionMarks(tab, saved);
        if (tab == currentTab())
            session.current = int(session.tabs.size());
        session.tabs.push_back(std::move(saved));
    }
    QString error;
    const bool written = sessionjson::write(session, path, &error);
    setStatus(written ? QStringLiteral("session saved to '%1'").arg(displayPath(path))
                      : QStringLiteral("could not save the session to '%1': %2").arg(displayPath(path), error));
    return written;
}

void MirtLogFileAnalyzer::openSession(const QString &path)
{
    if (!sessionSupport) {
        sessionSupport = std::make_shared<SessionSupport>();
        sessionSupport->work = new BackgroundWork(this);
    }
    sessionSupport->opening.cancel();
    ++sessionSupport->generation;
    // The session takes the place of the log tabs open now; comparisons
    // stay, and so do logs opened while it is read.
    QList<QPointer<QWidget>> replaced;
    for (int index = 0; index < tabs->count(); ++index) {
        if (qobject_cast<LogFileViewer *>(tabs->widget(index)))
            replaced << tabs->widget(index);
    }
    sessionOpening = true;
    updateBusy();
    // Read, bounded, and its files looked at off the GUI thread.
    sessionSupport->opening = sessionSupport->work->run(
        [path](const CancelToken &token) {
            SessionCheck check;
            sessionjson::ReadResult read = sessionjson::read(path);
            check.error = read.error;
            check.tabs = std::move(read.session.tabs);
            check.current = read.session.current;
            check.notes = read.notes;
            check.name = QFileInfo(path).fileName();
            if (read.ok)
                check.changes = lookAtFiles(check.tabs, token);
            return check;
        },
        [this, replaced](SessionCheck check) {
            // A session refused leaves the open tabs as they are.
            if (!check.error.isEmpty()) {
                sessionOpening = false;
                setStatus(check.error);
                updateBusy();
                return;
            }
            SessionSupport &support = *sessionSupport;
            support.replaced = replaced;
            support.adding = std::make_shared<const SessionCheck>(std::move(check));
            support.next = 0;
            support.problems.clear();
            support.current = nullptr;
            support.currentSaved = -1;
            sessionOpening = true;
            restoreSessionTabs();
        });
}

void MirtLogFileAnalyzer::restoreSessionTabs()
{
    SessionSupport &support = *sessionSupport;
    const SessionCheck &check = *support.adding;
    // Closing a tab and making one cost a viewer and a layout of the tab
    // bar each: as many a turn as fit in a short time keep the window
    // answering, the tabs replaced first.
    QElapsedTimer turn;
    turn.start();
    const auto turnOver = [&turn] { return turn.elapsed() >= turnMilliseconds; };
    while (!support.replaced.isEmpty() && !turnOver()) {
        const QPointer<QWidget> page = support.replaced.takeFirst();
        if (page && tabs->indexOf(page) >= 0)
            closeTab(tabs->indexOf(page));
    }
    const size_t end = support.replaced.isEmpty() ? check.tabs.size() : support.next;
    for (; support.next < end && !turnOver(); ++support.next) {
        const size_t i = support.next;
        const SessionTab &saved = check.tabs[i];
        std::vector<bool> missing;
        QStringList own;
        for (size_t j = 0; j < saved.files.size(); ++j) {
            const fingerprints::Change change = i < check.changes.size() && j < check.changes[i].size()
                ? check.changes[i][j]
                : fingerprints::Change::Same;
            const QString name = QFileInfo(displayPath(saved.files[j].path)).fileName();
            missing.push_back(change == fingerprints::Change::Missing);
            if (change == fingerprints::Change::Missing)
                own << QStringLiteral("%1: the file is missing").arg(name);
            else if (change == fingerprints::Change::Changed)
                own << QStringLiteral("%1: the file has changed since the session was saved: "
                                      "bookmarks may point elsewhere")
                           .arg(name);
        }
        LogTab *tab = openSessionTab(saved, missing, own);
        support.problems << own;
        if (tab && !own.isEmpty())
            setTabStatus(tab, own.join(QStringLiteral("; ")), own.join(QLatin1Char('\n')));
        if (tab && (int(i) == check.current || !support.current)) {
            support.current = tab;
            support.currentSaved = int(i);
        }
    }
    if (support.next < check.tabs.size() || !support.replaced.isEmpty()) {
        QTimer::singleShot(0, this, [this, generation = support.generation] {
            if (sessionSupport->generation == generation)
                restoreSessionTabs();
        });
        return;
    }
    finishSessionTabs();
}

void MirtLogFileAnalyzer::finishSessionTabs()
{
    SessionSupport &support = *sessionSupport;
    const std::shared_ptr<const SessionCheck> check = std::exchange(support.adding, nullptr);
    QStringList problems = support.problems;
    problems << check->notes;
    LogTab *current = support.current;
    if (current && support.currentSaved >= 0) {
        const SessionTab &saved = check->tabs[size_t(support.currentSaved)];
        docks->setShown(saved.showActions, saved.showTimeline);
        tabs->setCurrentWidget(current->viewer());
    }
    // The filter line, the context and Follow show the restored tab's.
    currentTabChanged();
    QString text = QStringLiteral("restored the session '%1'").arg(check->name);
    if (problems.size() == 1)
        text = problems.first();
    else if (!problems.isEmpty())
        text += QStringLiteral(" with %1 problems: %2").arg(problems.size()).arg(problems.join(QStringLiteral("; ")));
    if (current && current == currentTab())
        setTabStatus(current, text, problems.join(QLatin1Char('\n')));
    else
        showStatus(text, problems.join(QLatin1Char('\n')));
    sessionOpening = false;
    updateBusy();
}

LogTab *MirtLogFileAnalyzer::openSessionTab(const SessionTab &saved, const std::vector<bool> &missing,
                                            QStringList &problems)
{
    QStringList paths;
    std::vector<double> shifts;
    int source = -1;
    for (size_t j = 0; j < saved.files.size(); ++j) {
        if (j < missing.size() && missing[j])
            continue;
        if (int(j) == saved.currentSource)
            source = paths.size();
        paths << saved.files[j].path;
        shifts.push_back(saved.files[j].shift);
    }
    if (paths.isEmpty())
        return nullptr;
    LogTab *tab = nullptr;
    if (saved.merged) {
        // Files that do not open are told on the tab, or in the status line.
        tab = openMergedAt(paths, shifts, -1, saved.following);
    } else {
        QString error;
        const int fd = openLogFileDescriptor(paths.first(), error);
        if (fd < 0) {
            problems << error;
            return nullptr;
        }
        if (tabOfFile(fd)) {
            // Named twice in the session: one tab.
            ::close(fd);
            return nullptr;
        }
        auto batch = std::make_shared<OpenBatch>();
        batch->loading = 1;
        tab = addTab(paths.first(), fd, batch, -1, saved.following);
    }
    if (!tab)
        return nullptr;
    LogFileViewer::ViewState state;
    state.filter = saved.filter;
    state.contextRows = saved.contextRows;
    const QString refusal = saved.following ? tab->followRefusal() : QString();
    state.following = saved.following && refusal.isEmpty();
    tab->viewer()->restoreViewState(state);
    if (!refusal.isEmpty())
        problems << refusal;
    if (saved.currentLine > 0 && (source >= 0 || !saved.merged))
        restoreCurrentLine(tab, saved.currentLine, std::max(source, 0));
    applySessionMarks(tab, saved);
    return tab;
}

void MirtLogFileAnalyzer::restoreCurrentLine(LogTab *tab, qint64 line, int source)
{
    LogFileViewer *viewer = tab->viewer();
    // Once the file is read and the filter applied: the rows it shows are
    // known then.
    const auto apply = [viewer, line, source] {
        const std::shared_ptr<LogFile> &file = viewer->logFile();
        if (!file || viewer->isLoading() || viewer->isBusy())
            return false;
        const int entry = entryAtLine(*file, line, source);
        const std::vector<bool> &hidden = viewer->filteredOutRows();
        if (entry >= 0 && !(size_t(entry) < hidden.size() && hidden[size_t(entry)]))
            viewer->showEntry(entry);
        return true;
    };
    if (apply())
        return;
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(viewer, &LogFileViewer::busyChanged, viewer, [apply, connection](bool busy) {
        if (!busy && apply())
            QObject::disconnect(*connection);
    });
}

void MirtLogFileAnalyzer::applySessionMarks(LogTab *tab, const SessionTab &saved)
{
    LogFileViewer *viewer = tab->viewer();
    if (saved.timeOrigin)
        viewer->setTimeOrigin(*saved.timeOrigin);
    if (saved.bookmarks.empty())
        return;
    // The viewer places them on their records once the file's lines are known.
    std::vector<Bookmark> marks;
    marks.reserve(saved.bookmarks.size());
    for (const SessionBookmark &mark : saved.bookmarks)
        marks.push_back({mark.source, mark.line, mark.note});
    viewer->setBookmarks(std::move(marks));
}

void MirtLogFileAnalyzer::collectSessionMarks(const LogTab *tab, SessionTab &into) const
{
    const LogFileViewer *viewer = tab->viewer();
    const QDateTime origin = viewer->timeOrigin();
    if (origin.isValid())
        into.timeOrigin = origin;
    for (const Bookmark &mark : viewer->bookmarks())
        into.bookmarks.push_back({mark.line, mark.note, mark.source});
}
