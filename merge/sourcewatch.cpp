#include "sourcewatch.h"

#include "localpath.h"

#include <QTimer>

#include <sys/stat.h>

bool SourceWatch::Seen::operator==(const Seen &other) const
{
    return size == other.size && device == other.device && inode == other.inode && modified == other.modified;
}

SourceWatch::SourceWatch(const QStringList &paths, QObject *parent)
    : QObject(parent)
    , paths(paths)
    , timer(new QTimer(this))
{
    qRegisterMetaType<ReloadReason>();
    timer->setInterval(interval);
    connect(timer, &QTimer::timeout, this, &SourceWatch::lookAgain);
}

void SourceWatch::setActive(bool on)
{
    if (on == timer->isActive())
        return;
    if (!on) {
        timer->stop();
        return;
    }
    seen.clear();
    for (const QString &path : paths)
        seen.push_back(look(path));
    timer->start();
}

bool SourceWatch::isActive() const
{
    return timer->isActive();
}

SourceWatch::Seen SourceWatch::look(const QString &path)
{
    Seen now;
    struct stat info;
    if (::stat(encodeLocalPath(path).constData(), &info) != 0)
        return now;
    now.size = qint64(info.st_size);
    now.device = quint64(info.st_dev);
    now.inode = quint64(info.st_ino);
    now.modified = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return now;
}

void SourceWatch::lookAgain()
{
    for (size_t index = 0; index < seen.size(); ++index) {
        const Seen now = look(paths.at(int(index)));
        const Seen &before = seen[index];
        if (now == before)
            continue;
        timer->stop();
        if (now.device != before.device || now.inode != before.inode)
            emit changed(ReloadReason::Replaced);
        else if (now.size < before.size)
            emit changed(ReloadReason::Shorter);
        else
            emit changed(ReloadReason::Continued);
        return;
    }
}
