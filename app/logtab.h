#pragma once

#include "backgroundwork.h"
#include "followsession.h"
#include "logfileviewer.h"
#include "recordexport.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <utility>

class ActionTimeline;
class ActionsPanel;
class QTimer;

// One tab of the window: the viewer of one file and all the window knows
// about it: which file it is (by device and inode), the reader's problems
// its icon shows, its analysis panels and the work that fills them, and the
// status line it last had. It hands the viewer's news on as its own
// signals, each naming the tab.
class LogTab final : public QObject
{
    Q_OBJECT

public:
    // The identity of an open file: a file opened again finds its tab.
    struct FileId
    {
        quint64 device = 0;
        quint64 inode = 0;
        bool known = false;
        bool operator==(const FileId &other) const
        {
            return known && other.known && device == other.device && inode == other.inode;
        }
        // The identity of the file open as `fd`.
        static FileId of(int fd);
    };

    // A tab for the file at `path`, read from `fd` in the background, to be
    // `followed` or not.
    LogTab(const QString &path, int fd, QObject *parent = nullptr, bool followed = false);
    // A tab that shows the files of `members` merged by time.
    LogTab(std::vector<MergedLoad::Member> members, QObject *parent = nullptr, bool followed = false);
    ~LogTab() override;
    Q_DISABLE_COPY_MOVE(LogTab)

    LogFileViewer *viewer() const { return view; }
    // The file shown; the first of a merged tab's.
    const QString &path() const { return filePath; }
    // A merged tab's files and the seconds each is shifted by; empty for
    // a tab of one file.
    bool isMerged() const { return !mergedPaths.isEmpty(); }
    const QStringList &paths() const { return mergedPaths; }
    const std::vector<double> &shifts() const { return mergedShifts; }
    // The tab's text: the file's name up to its first dot.
    const QString &name() const { return shortName; }
    const FileId &fileId() const { return identity; }
    // Compressed data is read whole and never followed: the status that
    // refuses to follow the tab's compressed file (the first, of a merged
    // tab), or empty when it has none.
    QString followRefusal() const;

    // The problem count the tab's icon and tooltip show.
    qint64 markedProblems() const { return marked; }
    void setMarkedProblems(qint64 count) { marked = count; }

    // The analysis panels, made when first shown.
    struct Analysis
    {
        QPointer<ActionsPanel> panel;
        QPointer<ActionTimeline> timeline;
        CancelToken task;
        bool running = false;
        bool done = false;
    };
    Analysis *analysis() const { return panels.get(); }
    Analysis &makeAnalysis();
    // Cancels the analysis and deletes its panels.
    void forgetAnalysis();
    // Work of the window for this tab (its analysis).
    BackgroundWork &work() const { return *background; }

    // The status line this tab last had, and its tooltip.
    const QString &statusText() const { return status; }
    const QString &statusToolTip() const { return statusTip; }
    void setStatus(const QString &text, const QString &toolTip);
    // The next filter result is to be told in the status line: the user
    // asked for it. takeFilterReport() says whether one was asked for, and
    // forgets it.
    void reportFilter() { filterReport = true; }
    bool takeFilterReport() { return std::exchange(filterReport, false); }

    // Following a file that cannot be read now (replaced by a folder, say):
    // looks at it as often as following does until it can be read again,
    // then says so with readableAgain().
    void waitForFile();
    void stopWaiting();
    bool isWaiting() const;

signals:
    void busyChanged(bool busy);
    void readableAgain(LogTab *tab);
    void loaded(LogTab *tab);
    void filterApplied(LogTab *tab, int shown, int total);
    void findCounted(LogTab *tab);
    void currentEntryChanged(LogTab *tab, int row);
    void quickFilterChosen(LogTab *tab, const QString &clause);
    void exportRequested(LogTab *tab);
    void exportFinished(LogTab *tab, const RecordExport::Result &result);
    void rowsAppended(LogTab *tab);
    void reloadNeeded(LogTab *tab, ReloadReason reason);
    void shiftSourceRequested(LogTab *tab, int source);
    // The viewer is being destroyed; viewer() is null from now on.
    void viewerGone(LogTab *tab);

private:
    void connectViewer();

    // The tab's page; null once it is destroyed.
    LogFileViewer *view = nullptr;
    QString filePath;
    QStringList mergedPaths;
    std::vector<double> mergedShifts;
    QString shortName;
    FileId identity;
    QString compressedName;
    qint64 marked = 0;
    std::unique_ptr<Analysis> panels;
    BackgroundWork *background = nullptr;
    QString status = QStringLiteral("Ready");
    QString statusTip;
    bool filterReport = false;
    QTimer *waiting = nullptr;
};
