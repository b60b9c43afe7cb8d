#include "followsession.h"

#include "logfile.h"
#include "robotaction.h"

#include <QTimer>

#include <optional>

FollowSession::FollowSession(std::shared_ptr<LogFile> file, const LogLoader::Source &source, QObject *parent)
    : QObject(parent)
    , file(std::move(file))
    , source(source)
    , timer(new QTimer(this))
{
    qRegisterMetaType<ReloadReason>();
    timer->setInterval(interval);
    connect(timer, &QTimer::timeout, this, &FollowSession::look);
}

FollowSession::~FollowSession() = default;

void FollowSession::setGate(std::function<bool()> mayAppend)
{
    gate = std::move(mayAppend);
}

bool FollowSession::mayAppendNow() const
{
    return file && (!gate || gate());
}

void FollowSession::setActive(bool on)
{
    if (on == active)
        return;
    active = on;
    if (on) {
        timer->start();
        return;
    }
    timer->stop();
    // Kept, so that following again goes on from where it stopped; the
    // record it held back for continuation lines shows now.
    handOnHeld();
}

void FollowSession::look()
{
    if (!active || !mayAppendNow())
        return;
    // Work on other threads may be reading the file (an analysis, a search);
    // then it does not grow this time either.
    std::optional<LogFile::Appender> appender;
    appender.emplace(*file, std::try_to_lock);
    if (!appender->ownsLock())
        return;
    if (!follower) {
        follower = std::make_unique<LogFollower>(*file, file->path(), source.bytes, source.nextLine, source.device,
                                                 source.inode, source.tail);
        follower->setNextFileLine(source.nextFileLine);
    }
    LogFollower::Batch batch;
    ReloadReason reason = ReloadReason::Replaced;
    bool continued = false;
    const LogFollower::Poll poll = follower->poll(bytesPerTurn, batch, reason, &continued);
    if (poll == LogFollower::Poll::Reload) {
        appender.reset();
        timer->stop();
        active = false;
        follower.reset();
        emit reloadNeeded(reason);
        return;
    }
    // A record continued after it was shown is linked again before the
    // entries after it, as a load of the whole file would link them.
    const int changed = continued ? appender->count() - 1 : -1;
    // The actions it named before live on until its row shows the new ones.
    const std::vector<std::shared_ptr<RobotAction>> dropped =
        continued ? appender->relinkLast() : std::vector<std::shared_ptr<RobotAction>>();
    const int first = batch.empty() ? appender->count() : appender->append(batch);
    const int end = appender->count();
    // Let go before the rows are shown: showing them reads the file.
    appender.reset();
    if (poll == LogFollower::Poll::More)
        QTimer::singleShot(0, this, &FollowSession::look);
    if (changed >= 0)
        emit lastEntryContinued(changed);
    if (end > first)
        emit entriesAdded(first, end);
}

void FollowSession::handOnHeld()
{
    if (active || !follower || !file)
        return;
    std::unique_ptr<LogFile::Appender> appender;
    if (mayAppendNow())
        appender = std::make_unique<LogFile::Appender>(*file, std::try_to_lock);
    if (!appender || !appender->ownsLock()) {
        // A filter pass, a search or an analysis is at work: a little later.
        QTimer::singleShot(100, this, &FollowSession::handOnHeld);
        return;
    }
    LogFollower::Batch batch;
    follower->handOnHeld(batch);
    if (batch.empty())
        return;
    const int first = appender->append(batch);
    const int end = appender->count();
    appender.reset();
    emit entriesAdded(first, end);
}
