#pragma once

#include "backgroundwork.h"
#include "logfile.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class LogInput;

// Reads a log file and links its actions off the GUI thread: one thread
// reads and scans the lines, a second appends the entries to the file and
// links them as they come. It reports how far it has come, stops soon
// after it is cancelled, and hands the file over once all of it is read and
// linked, so that nothing is ever shown half-linked.
class LogLoader final : public std::enable_shared_from_this<LogLoader>
{
public:
    // Where the reading stopped, for following the file from there.
    struct Source
    {
        qint64 bytes = 0;
        qint64 nextLine = 1;
        // The same in the file, empty lines counted.
        qint64 nextFileLine = 1;
        quint64 device = 0;
        quint64 inode = 0;
        // The last bytes read.
        QByteArray tail;
    };

    // What the loader tells the one who started it. `linked` and `finish`
    // run on the linking thread: `linked` after each batch of entries has
    // been added and linked (from entry `first` to before `end`, with the
    // file's lock held alone), `finish` once every entry is in, for work
    // that must be done before the file is handed over (false: give up).
    // `done` runs on the receiver's thread with the complete file.
    struct Client
    {
        std::function<void(const LogLoader &loader, LogFile::Appender &file, int first, int end)> linked;
        std::function<bool(const LogFile &file, const CancelToken &token)> finish;
        std::function<void(std::shared_ptr<LogFile> file)> done;
        // Called on the linking thread with what was left behind when the
        // load is given up or abandoned, for the client's own share.
        std::function<void(bool abandoned)> dropped;
        // Called on the receiver's thread when the file could not be read
        // at all, instead of `done`.
        std::function<void()> failed;
    };

    // Reads from `fd`, a file descriptor open for reading, which the loader
    // closes. The work is started through `work`, whose owner receives
    // `done`.
    // With `leavePartial`, a last line without its line end is left for a
    // follower (leavePartialLastLine()).
    static std::shared_ptr<LogLoader> start(const QString &path, int fd, BackgroundWork &work, Client client,
                                            bool leavePartial = false);
    Q_DISABLE_COPY_MOVE(LogLoader)

    void cancel() { token.cancel(); }
    // For a file that is followed: a last line that has no line end yet is
    // left for the follower, which shows it once it is whole. Asked for
    // before the reading ends.
    void leavePartialLastLine() { leavePartial.store(true, std::memory_order_relaxed); }
    bool isCancelled() const { return token.isCancelled(); }
    const CancelToken &cancelToken() const { return token; }

    // Bytes read of the bytes to read; the entries the whole file will
    // likely give (0 until the first block is read).
    qint64 bytesRead() const { return readBytes.load(std::memory_order_relaxed); }
    qint64 bytesToRead() const { return totalBytes.load(std::memory_order_relaxed); }
    qint64 expectedEntries() const;
    // Whether every line has been read and linked.
    bool isRead() const { return readDone.load(std::memory_order_acquire); }
    // Known once `done` is called.
    const Source &source() const { return readSource; }

private:
    LogLoader() = default;
    std::shared_ptr<LogFile> run(int fd);
    void readAndLink(LogInput &input, const std::shared_ptr<LogFile> &file);

    QString path;
    Client client;
    CancelToken token;
    std::shared_ptr<Handoff> handoff;
    std::atomic<qint64> totalBytes{0};
    std::atomic<qint64> readBytes{0};
    std::atomic<qint64> firstBlockEstimate{0};
    std::atomic<bool> readDone{false};
    std::atomic<bool> leavePartial{false};
    Source readSource;
};
