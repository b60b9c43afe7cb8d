#include "mergedload.h"

#include "logloader.h"

std::shared_ptr<MergedLoad> MergedLoad::start(std::vector<Member> members, BackgroundWork &work, Finish finish, Done done)
{
    std::shared_ptr<MergedLoad> load(new MergedLoad);
    load->work = &work;
    load->finish = std::move(finish);
    load->done = std::move(done);
    load->token = work.track();
    load->files.resize(members.size());
    load->waiting = members.size();
    std::weak_ptr<MergedLoad> weak = load;
    for (size_t member = 0; member < members.size(); ++member) {
        load->shifts.push_back(members[member].shift);
        load->paths.push_back(members[member].path);
        LogLoader::Client client;
        client.done = [weak, member](std::shared_ptr<LogFile> file) {
            if (auto self = weak.lock())
                self->arrived(member, std::move(file));
        };
        client.failed = [weak, member] {
            if (auto self = weak.lock())
                self->arrived(member, nullptr);
        };
        load->loaders.push_back(LogLoader::start(members[member].path, members[member].fd, work, std::move(client)));
    }
    return load;
}

MergedLoad::~MergedLoad()
{
    cancel();
}

void MergedLoad::cancel()
{
    token.cancel();
    for (const auto &loader : loaders)
        loader->cancel();
}

qint64 MergedLoad::bytesRead() const
{
    qint64 bytes = 0;
    for (const auto &loader : loaders)
        bytes += loader->isRead() ? loader->bytesToRead() : loader->bytesRead();
    return bytes;
}

qint64 MergedLoad::bytesToRead() const
{
    qint64 bytes = 0;
    for (const auto &loader : loaders)
        bytes += loader->bytesToRead();
    return bytes;
}

void MergedLoad::arrived(size_t member, std::shared_ptr<LogFile> file)
{
    if (token.isCancelled() || waiting == 0)
        return;
    // A file that opened but could not be read (a rare failure of the
    // system) merges as one without records.
    files[member] = file ? std::move(file) : std::make_shared<LogFile>(paths[member]);
    if (--waiting > 0)
        return;
    work->runWith(
        token,
        [files = std::move(files), shifts = shifts, finish = finish](const CancelToken &token) mutable {
            std::shared_ptr<LogFile> merged = LogFile::merge(files, shifts, token.flag());
            files.clear();
            if (!merged || token.isCancelled() || (finish && !finish(*merged, token)))
                return std::shared_ptr<LogFile>();
            return merged;
        },
        [self = shared_from_this()](std::shared_ptr<LogFile> merged) {
            if (merged)
                self->done(std::move(merged));
        });
}
