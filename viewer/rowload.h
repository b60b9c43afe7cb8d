#pragma once

#include "logloader.h"
#include "mergedload.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class BackgroundWork;
class LogFile;
class ViewerRows;
struct RowPiece;

// The viewer's share of loading a file: while the loader reads and links
// the file, the rows of the entries linked so far are built on its linking
// thread and handed to the viewer in pieces of growing size, with their
// records, so that they show while the rest is read; the file and the last
// rows come once all of it is done. The viewer indexes the partners itself.
class RowLoad final
{
public:
    using Piece = std::function<void(std::shared_ptr<RowPiece> piece)>;
    using Done = std::function<void(std::shared_ptr<LogFile> file, std::shared_ptr<ViewerRows> rows)>;

    // Reads from `fd`, which the load closes; `budget` bounds the sub-action
    // rows, negative for the viewer's default for the file's size.
    // `followed`: a last line without its line end is left for following.
    static std::shared_ptr<RowLoad> start(const QString &path, int fd, int budget, BackgroundWork &work, Piece piece,
                                          Done done, bool followed = false);
    // Reads several files at once and merges them by time; the rows are
    // built once the merged file is, and come with it.
    static std::shared_ptr<RowLoad> startMerged(std::vector<MergedLoad::Member> members, BackgroundWork &work, Done done);
    Q_DISABLE_COPY_MOVE(RowLoad)

    bool isMerged() const { return merged != nullptr; }
    void cancel();
    // The file is to be followed: see LogLoader::leavePartialLastLine().
    void leavePartialLastLine()
    {
        if (loader)
            loader->leavePartialLastLine();
    }
    // How far the load has come, from 0 to 1000, and what it is doing.
    int progress() const;
    QString stage() const;
    // Where the reading stopped; known once `done` is called. Nothing for
    // a merged load, which is followed by reading it again.
    const LogLoader::Source &source() const;

private:
    RowLoad() = default;

    // What the loader's callbacks share; they hold it, so that the rows of
    // a load given up are freed on the loader's thread, not the GUI's.
    struct Shared
    {
        std::shared_ptr<ViewerRows> rows;
        std::atomic<int> entryCount{0};
        std::atomic<int> rowsFinished{0};
        std::atomic<bool> building{false};
        // Rows handed to the viewer so far; known to the linking thread only.
        int rowsHanded = 0;
    };
    std::shared_ptr<Shared> shared;
    std::shared_ptr<LogLoader> loader;
    std::shared_ptr<MergedLoad> merged;
};
