#pragma once

#include "backgroundwork.h"
#include "logfile.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class LogLoader;

// Reads the files of a merged view at once, each by a load of its own off
// the GUI thread, and once all are read, merges them by time (LogFile::merge)
// on a worker thread. Work that must be done before the merged file is
// handed over (building its rows) runs there too.
class MergedLoad final : public std::enable_shared_from_this<MergedLoad>
{
public:
    // One file: its name, a descriptor open for reading that the load
    // closes, and the seconds its times are shifted by.
    struct Member
    {
        QString path;
        int fd = -1;
        double shift = 0;
    };
    // Runs on the worker thread with the merged file; false gives up.
    using Finish = std::function<bool(const LogFile &merged, const CancelToken &token)>;
    // Runs on the thread of `work`'s owner.
    using Done = std::function<void(std::shared_ptr<LogFile> merged)>;

    static std::shared_ptr<MergedLoad> start(std::vector<Member> members, BackgroundWork &work, Finish finish, Done done);
    Q_DISABLE_COPY_MOVE(MergedLoad)
    ~MergedLoad();

    void cancel();
    // Bytes read of all files, and of the bytes to read.
    qint64 bytesRead() const;
    qint64 bytesToRead() const;
    // Every file has been read; the merge may still be going on.
    bool isRead() const { return waiting == 0; }

private:
    MergedLoad() = default;
    void arrived(size_t member, std::shared_ptr<LogFile> file);

    BackgroundWork *work = nullptr;
    std::vector<double> shifts;
    QStringList paths;
    std::vector<std::shared_ptr<LogLoader>> loaders;
    std::vector<std::shared_ptr<LogFile>> files;
    size_t waiting = 0;
    Finish finish;
    Done done;
    CancelToken token;
};
