#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class Handoff;
class LogFile;
class ViewerRows;
struct RowPiece;

// Reads a log file, links its actions and builds its viewer rows on a
// worker thread, reporting how far it has come and stopping early when
// cancelled. The result is handed to the receiver of a Handoff only when all
// of it is done, so that nothing is ever shown half-linked.
class LogLoadTask final : public std::enable_shared_from_this<LogLoadTask>
{
public:
    using Done = std::function<void(std::shared_ptr<LogFile> file, std::shared_ptr<ViewerRows> rows)>;
    using Rows = std::function<void(std::shared_ptr<RowPiece> piece)>;

    // Reads from `fd`, a file descriptor open for reading, which the task
    // closes. `budget` bounds the sub-action rows; negative for the viewer's
    // default for the file's size. Rows are handed over in pieces as they
    // are built (`rows`), while reading goes on, so that the viewer adds them
    // meanwhile; `done` hands over the file, its index and the last rows.
    static std::shared_ptr<LogLoadTask> start(const QString &path, int fd, int budget,
                                              std::shared_ptr<Handoff> handoff, Rows rows, Done done);
    Q_DISABLE_COPY_MOVE(LogLoadTask)

    void cancel() { cancelled.store(true, std::memory_order_relaxed); }
    bool isCancelled() const { return cancelled.load(std::memory_order_relaxed); }
    // How far the task has come, from 0 to 1000, and what it is doing.
    int progress() const;
    QString stage() const;

    // Where the reading stopped, for following the file from there; known
    // once `done` is called.
    struct Source
    {
        qint64 bytes = 0;
        qint64 nextLine = 1;
        quint64 device = 0;
        quint64 inode = 0;
        // The last bytes read.
        QByteArray tail;
    };
    const Source &source() const { return readSource; }

    // A task cancelled while the program quits drops its work without
    // freeing it: the system takes the memory back at once, and the program
    // need not wait for millions of frees.
    static void setQuitting();

private:
    LogLoadTask() = default;
    void run(int fd);
    void drop(std::shared_ptr<LogFile> &file, std::shared_ptr<ViewerRows> &rows);

    QString path;
    int budget = 0;
    std::shared_ptr<Handoff> handoff;
    Rows rowsBuilt;
    Done done;
    std::atomic<bool> cancelled{false};
    std::atomic<int> phase{0};
    std::atomic<qint64> totalBytes{0};
    std::atomic<qint64> bytesRead{0};
    std::atomic<int> entryCount{0};
    std::atomic<int> rowsFinished{0};
    Source readSource;
};
