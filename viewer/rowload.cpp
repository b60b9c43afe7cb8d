#include "rowload.h"

#include "backgroundwork.h"
#include "logfile.h"
#include "logfileviewer.h"
#include "viewerrows.h"

#include <algorithm>

namespace {

// The share of the progress that reading (and linking along with it) has, in
// thousandths; building the rows left over has the rest but for what the
// viewer takes to add the rows to the view.
constexpr int readingShare = 850;
constexpr int showingShare = 50;
// Rows handed to the viewer at a time while the file is read: the first
// rows go as soon as there are any, so that the first screen shows at once;
// each piece after is as large as all before it, up to rowsPerPiece, so that
// few pieces come and none holds up the GUI thread for long.
constexpr int rowsPerPiece = 50000;

int nextPieceSize(int handed)
{
    return std::clamp(handed, 1, rowsPerPiece);
}

} // namespace

std::shared_ptr<RowLoad> RowLoad::start(const QString &path, int fd, int budget, BackgroundWork &work, Piece piece,
                                        Done done, bool followed)
{
    std::shared_ptr<RowLoad> load(new RowLoad);
    auto shared = std::make_shared<Shared>();
    // The viewer indexes the partners of the rows as they come.
    shared->rows = ViewerRows::start(false);
    std::shared_ptr<Handoff> handoff = work.handoff();
    // The first three run on the loader's linking thread, and only there.
    LogLoader::Client client;
    client.linked = [shared, handoff, piece](const LogLoader &loader, LogFile::Appender &file, int, int) {
        shared->rows->addRows(file.file());
        if (shared->rows->rowsNotTaken() < nextPieceSize(shared->rowsHanded))
            return;
        std::shared_ptr<RowPiece> taken = shared->rows->takePiece();
        taken->expectedRows = int(loader.expectedEntries());
        // The viewer shows the rows before the file is handed over: their
        // records go along, as they will not change any more.
        const int count = int(taken->hasChildren.size());
        taken->entries = file.file().entries().head(taken->first + count);
        taken->lines.reserve(size_t(count));
        for (int number = taken->first; number < taken->first + count; ++number)
            taken->lines.push_back(quint32(file.file().lineOf(number)));
        shared->rowsHanded += count;
        handoff->post([token = loader.cancelToken(), piece, taken] {
            if (!token.isCancelled())
                piece(taken);
        });
    };
    client.finish = [shared, budget](const LogFile &file, const CancelToken &token) {
        const int count = file.entries().size();
        shared->entryCount.store(count);
        shared->building.store(true);
        const int rowBudget = budget >= 0 ? budget : LogFileViewer::defaultSubActionBudget(count);
        return shared->rows->finish(file, rowBudget, token.flag(), &shared->rowsFinished);
    };
    client.dropped = [shared](bool abandoned) {
        if (abandoned)
            leaveToSystem(shared->rows);
        shared->rows.reset();
    };
    client.done = [shared, done](std::shared_ptr<LogFile> file) { done(std::move(file), std::move(shared->rows)); };
    load->shared = shared;
    load->loader = LogLoader::start(path, fd, work, std::move(client), followed);
    return load;
}

std::shared_ptr<RowLoad> RowLoad::startMerged(std::vector<MergedLoad::Member> members, BackgroundWork &work, Done done)
{
    std::shared_ptr<RowLoad> load(new RowLoad);
    auto shared = std::make_shared<Shared>();
    load->shared = shared;
    load->merged = MergedLoad::start(
        std::move(members), work,
        [shared](const LogFile &file, const CancelToken &token) {
            const int count = file.entries().size();
            shared->entryCount.store(count);
            shared->building.store(true);
            std::unique_ptr<ViewerRows> rows = ViewerRows::build(file, LogFileViewer::defaultSubActionBudget(count),
                                                                 token.flag(), &shared->rowsFinished);
            shared->rows = std::move(rows);
            return shared->rows != nullptr;
        },
        [shared, done](std::shared_ptr<LogFile> file) { done(std::move(file), std::move(shared->rows)); });
    return load;
}

void RowLoad::cancel()
{
    if (loader)
        loader->cancel();
    if (merged)
        merged->cancel();
}

const LogLoader::Source &RowLoad::source() const
{
    static const LogLoader::Source none;
    return loader ? loader->source() : none;
}

int RowLoad::progress() const
{
    const auto share = [](qint64 part, qint64 whole, int range) {
        return whole > 0 ? int(std::min<qint64>(part, whole) * range / whole) : range;
    };
    if (!shared->building.load() && merged)
        return merged->isRead() ? readingShare : share(merged->bytesRead(), merged->bytesToRead(), readingShare);
    if (!shared->building.load())
        return loader->isRead() ? readingShare : share(loader->bytesRead(), loader->bytesToRead(), readingShare);
    return readingShare
        + share(shared->rowsFinished.load(), shared->entryCount.load(), 1000 - readingShare - showingShare);
}

QString RowLoad::stage() const
{
    return shared->building.load() ? QStringLiteral("Building rows") : QStringLiteral("Reading");
}
