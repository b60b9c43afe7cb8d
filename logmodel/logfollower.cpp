#include "logfollower.h"

#include "localpath.h"
#include "logfile.h"
#include "logfileentry.h"
#include "logreader.h"

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// pread() until `size` bytes are in or the file ends; -1 on an error.
qint64 readAt(int fd, char *buffer, qint64 size, qint64 offset)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, buffer + done, size_t(size - done), off_t(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

} // namespace

LogFollower::LogFollower(LogFile &file, const QString &path, qint64 offset, qint64 nextLine, quint64 device,
                         quint64 inode, const QByteArray &tail)
    : file(file)
    , path(path)
    , offset(offset)
    , nextLine(nextLine)
    , nextFileLine(nextLine)
    , device(device)
    , inode(inode)
    , tail(tail.right(int(std::min<qint64>(offset, tail.size()))))
{
}

bool LogFollower::tailIntact() const
{
    if (tail.isEmpty())
        return true;
    QByteArray now(tail.size(), Qt::Uninitialized);
    return readAt(fd, now.data(), now.size(), offset - now.size()) == now.size() && now == tail;
}

LogFollower::~LogFollower()
{
    if (fd >= 0)
        ::close(fd);
}

bool LogFollower::open(ReloadReason &reason, bool &reload)
{
    reload = false;
    const auto needs = [&](ReloadReason why) {
        reason = why;
        reload = true;
        return false;
    };
    QString error;
    fd = openLogFileDescriptor(path, error);
    if (fd < 0) {
        // Something that is no file took its name: it is another file now.
        struct stat named;
        const QByteArray name = encodeLocalPath(path);
        if (::stat(name.constData(), &named) == 0 && !S_ISREG(named.st_mode))
            return needs(ReloadReason::Replaced);
        return false; // gone for now, say while it is being rotated
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || quint64(info.st_dev) != device || quint64(info.st_ino) != inode)
        return needs(ReloadReason::Replaced);
    if (info.st_size < offset)
        return needs(ReloadReason::Shorter);
    if (!tailIntact())
        return needs(ReloadReason::Rewritten);
    char head[4] = {};
    const qint64 headSize = readAt(fd, head, sizeof head, 0);
    if (headSize < 0)
        return false;
    // The read ended at a line end, as the file's encoding writes it, or
    // at the start of the file's text.
    const QByteArray start(head, int(headSize));
    QByteArray lineFeed("\n");
    int mark = start.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    if (start.startsWith(QByteArray("\xFF\xFE\x00\x00", 4)) || start.startsWith(QByteArray("\x00\x00\xFE\xFF", 4))) {
        lineFeed = start.at(0) ? QByteArray("\n\0\0\0", 4) : QByteArray("\0\0\0\n", 4);
        mark = 4;
    } else if (start.startsWith("\xFF\xFE") || start.startsWith("\xFE\xFF")) {
        lineFeed = start.at(0) == '\xFF' ? QByteArray("\n\0", 2) : QByteArray("\0\n", 2);
        mark = 2;
    }
    QByteArray last = lineFeed;
    if (offset > mark && readAt(fd, last.data(), last.size(), offset - last.size()) != last.size())
        return false;
    if (offset > mark && last != lineFeed) {
        // The read ended inside a line, which was taken as complete: once
        // its end comes, only reading it again gives the line whole.
        if (info.st_size > offset)
            return needs(ReloadReason::Continued);
        return false;
    }
    reader = std::make_unique<LogReader>(file);
    reader->setEntrySink([this](LogFileEntry &&entry, EntryLines line) {
        if (sinkTarget)
            sinkTarget->emplace_back(std::move(entry), line);
    });
    reader->resume(QByteArray(head, int(std::max<qint64>(headSize, 0))), nextLine, nextFileLine);
    reader->setByteOffset(offset);
    // The last record read is shown and linked already, like one handed on.
    const auto &entries = file.entries();
    watchingLast = !entries.isEmpty();
    if (watchingLast)
        lastLength = entries.last()->messageLength();
    opened = true;
    return true;
}

void LogFollower::handOnHeld(Batch &entries)
{
    if (!reader || !reader->holdsEntry())
        return;
    sinkTarget = &entries;
    reader->flushHeld();
    sinkTarget = nullptr;
    if (!entries.empty()) {
        watchingLast = true;
        lastLength = entries.back().first.messageLength();
    }
}

LogFollower::Poll LogFollower::poll(qint64 maxBytes, Batch &entries, ReloadReason &reason, bool *lastContinued)
{
    if (!opened) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
        bool reload = false;
        if (!open(reason, reload))
            return reload ? Poll::Reload : Poll::Nothing;
    }
    // Another file under the name (a rotated log) is read from its start.
    struct stat named;
    const QByteArray name = encodeLocalPath(path);
    if (::stat(name.constData(), &named) == 0 && (quint64(named.st_dev) != device || quint64(named.st_ino) != inode)) {
        reason = ReloadReason::Replaced;
        return Poll::Reload;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return Poll::Nothing;
    if (info.st_size < offset) {
        reason = ReloadReason::Shorter;
        return Poll::Reload;
    }
    const qint64 waiting = info.st_size - offset;
    if (waiting > 0 && !tailIntact()) {
        reason = ReloadReason::Rewritten;
        return Poll::Reload;
    }
    if (waiting == 0) {
        // Nothing came since the last look: the record held back for its
        // continuation lines is handed on, and watched.
        handOnHeld(entries);
        return Poll::Nothing;
    }
    sinkTarget = &entries;
    const qint64 size = std::min(waiting, std::max<qint64>(maxBytes, 1));
    QByteArray buffer(int(size), Qt::Uninitialized);
    const qint64 got = readAt(fd, buffer.data(), size, offset);
    if (got <= 0) {
        sinkTarget = nullptr;
        return Poll::Nothing;
    }
    reader->addData(buffer.constData(), got);
    offset += got;
    tail = (tail + QByteArray::fromRawData(buffer.constData(), int(got))).right(LogReader::tailBytes);
    sinkTarget = nullptr;
    if (watchingLast && !file.entries().isEmpty()) {
        const int length = file.entries().last()->messageLength();
        if (length != lastLength) {
            // Continued after it was shown: only a caller that can show it
            // anew goes on from here.
            if (!lastContinued) {
                reason = ReloadReason::Continued;
                return Poll::Reload;
            }
            *lastContinued = true;
            lastLength = length;
        }
        // A new record began: nothing can continue the old one any more.
        if (reader->holdsEntry())
            watchingLast = false;
    }
    return got < waiting ? Poll::More : Poll::Read;
}
