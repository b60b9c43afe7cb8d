#include "logtab.h"

#include "actionspanel.h"
#include "actiontimeline.h"
#include "localpath.h"
#include "loginput.h"
#include "logfileviewer.h"
#include "mergednames.h"

#include <QFileInfo>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

LogTab::FileId LogTab::FileId::of(int fd)
{
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return {};
    return {quint64(info.st_dev), quint64(info.st_ino), true};
}

LogTab::LogTab(const QString &path, int fd, QObject *parent, bool followed)
    : QObject(parent)
    , filePath(path)
    , shortName(shortFileName(path))
    , identity(FileId::of(fd))
    , background(new BackgroundWork(this))
{
    if (compressionOfFile(fd) != LogCompression::None)
        compressedName = QFileInfo(displayPath(path)).fileName();
    view = new LogFileViewer(path, fd, nullptr, followed && compressedName.isEmpty());
    connectViewer();
}

LogTab::LogTab(std::vector<MergedLoad::Member> members, QObject *parent, bool followed)
    : QObject(parent)
    , filePath(members.empty() ? QString() : members.front().path)
    , background(new BackgroundWork(this))
{
    for (const MergedLoad::Member &member : members) {
        mergedPaths << member.path;
        mergedShifts.push_back(member.shift);
        if (compressedName.isEmpty() && compressionOfFile(member.fd) != LogCompression::None)
            compressedName = QFileInfo(displayPath(member.path)).fileName();
    }
    shortName = mergednames::tabName(mergedPaths);
    view = new LogFileViewer(std::move(members), nullptr);
    connectViewer();
    view->setFollowing(followed && compressedName.isEmpty());
    connect(view, &LogFileViewer::shiftSourceRequested, this, [this](int source) { emit shiftSourceRequested(this, source); });
}

QString LogTab::followRefusal() const
{
    return compressedName.isEmpty() ? QString()
                                    : QStringLiteral("%1 is compressed: it cannot be followed").arg(compressedName);
}

void LogTab::connectViewer()
{
    view->setObjectName(QStringLiteral("viewer"));
    // First, so that nobody learns of the end through a viewer half gone.
    connect(view, &QObject::destroyed, this, [this] {
        view = nullptr;
        emit viewerGone(this);
    });
    connect(view, &LogFileViewer::busyChanged, this, &LogTab::busyChanged);
    connect(view, &LogFileViewer::loaded, this, [this] { emit loaded(this); });
    connect(view, &LogFileViewer::filterApplied, this,
            [this](int shown, int total) { emit filterApplied(this, shown, total); });
    connect(view, &LogFileViewer::findCounted, this, [this] { emit findCounted(this); });
    connect(view, &LogFileViewer::currentEntryChanged, this, [this](int row) { emit currentEntryChanged(this, row); });
    connect(view, &LogFileViewer::quickFilterChosen, this,
            [this](const QString &clause) { emit quickFilterChosen(this, clause); });
    connect(view, &LogFileViewer::exportRequested, this, [this] { emit exportRequested(this); });
    connect(view, &LogFileViewer::exportFinished, this,
            [this](bool written, int rows, const QString &to, const QString &error) {
                emit exportFinished(this, RecordExport::Result{written, rows, to, error});
            });
    connect(view, &LogFileViewer::rowsAppended, this, [this] { emit rowsAppended(this); });
    connect(view, &LogFileViewer::reloadNeeded, this, [this](ReloadReason reason) { emit reloadNeeded(this, reason); });
}

LogTab::~LogTab()
{
    forgetAnalysis();
}

LogTab::Analysis &LogTab::makeAnalysis()
{
    if (!panels)
        panels = std::make_unique<Analysis>();
    return *panels;
}

void LogTab::forgetAnalysis()
{
    if (!panels)
        return;
    panels->task.cancel();
    delete panels->panel;
    delete panels->timeline;
    panels.reset();
}

void LogTab::setStatus(const QString &text, const QString &toolTip)
{
    status = text;
    statusTip = toolTip;
}

void LogTab::waitForFile()
{
    if (!waiting) {
        waiting = new QTimer(this);
        waiting->setInterval(FollowSession::interval);
        connect(waiting, &QTimer::timeout, this, [this] {
            QString error;
            const int fd = openLogFileDescriptor(filePath, error);
            if (fd < 0)
                return;
            ::close(fd);
            waiting->stop();
            emit readableAgain(this);
        });
    }
    waiting->start();
}

void LogTab::stopWaiting()
{
    if (waiting)
        waiting->stop();
}

bool LogTab::isWaiting() const
{
    return waiting && waiting->isActive();
}
