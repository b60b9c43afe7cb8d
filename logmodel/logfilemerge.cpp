#include "logfile.h"

#include "localpath.h"

#include <QFileInfo>

#include <queue>

namespace {

// The next entry of each file, the earliest first; of equal times, the one
// of the file given first.
struct Head
{
    double time;
    int source;
    int number;
};

struct Later
{
    bool operator()(const Head &a, const Head &b) const
    {
        if (a.time != b.time)
            return a.time > b.time;
        return a.source > b.source;
    }
};

} // namespace

QStringList LogFile::sourceNames() const
{
    QStringList names;
    for (const Source &source : m_sources)
        names.append(source.name);
    return names;
}

std::vector<const RobotAction *> LogFile::actionListOf(int source) const
{
    if (!isMerged())
        return source == 0 ? actionList() : std::vector<const RobotAction *>();
    return source >= 0 && size_t(source) < m_mergedFrom.size() ? m_mergedFrom[size_t(source)]->actionList()
                                                              : std::vector<const RobotAction *>();
}

std::shared_ptr<LogFile> LogFile::merge(const std::vector<std::shared_ptr<LogFile>> &files,
                                        const std::vector<double> &shifts, const std::atomic<bool> *cancelled)
{
    if (files.empty() || int(files.size()) > maxSources)
        return nullptr;
    auto merged = std::make_shared<LogFile>(files.front()->path());
    merged->m_sources.clear();
    const auto shiftOf = [&shifts](size_t source) { return source < shifts.size() ? shifts[source] : 0.0; };
    int total = 0;
    for (size_t source = 0; source < files.size(); ++source) {
        const LogFile &file = *files[source];
        merged->m_sources.push_back({file.path(), shortFileName(file.path()), shiftOf(source)});
        total += file.m_entries.size();
    }
    merged->m_entries.reserve(total);
    merged->m_fileLines.reserve(size_t(total));
    merged->m_textBegins.reserve(size_t(total));
    merged->m_textLengths.reserve(size_t(total));

    std::priority_queue<Head, std::vector<Head>, Later> heads;
    const auto pushHead = [&](int source, int number) {
        const EntryStore &entries = files[size_t(source)]->m_entries;
        if (number < entries.size())
            heads.push({entries.list().at(number)->time() + shiftOf(size_t(source)), source, number});
    };
    for (int source = 0; source < int(files.size()); ++source)
        pushHead(source, 0);
    while (!heads.empty()) {
        if ((merged->m_entries.size() & 0xffff) == 0 && cancelled && cancelled->load(std::memory_order_relaxed))
            return nullptr;
        const Head head = heads.top();
        heads.pop();
        LogFileEntry &entry = merged->m_entries.append(std::move(files[size_t(head.source)]->m_entries.at(head.number)));
        entry.m_time = head.time;
        entry.m_source = quint8(head.source);
        merged->m_fileLines.push_back(quint32(files[size_t(head.source)]->lineOf(head.number)));
        const TextRange text = files[size_t(head.source)]->textOf(head.number);
        merged->m_textBegins.push_back(text.begin);
        merged->m_textLengths.push_back(quint32(text.length));
        pushHead(head.source, head.number + 1);
    }
    merged->m_linkedEntries = merged->m_entries.size();

    for (size_t source = 0; source < files.size(); ++source) {
        LogFile &file = *files[source];
        file.m_entries.clear();
        std::vector<quint32>().swap(file.m_fileLines);
        std::vector<qint64>().swap(file.m_textBegins);
        std::vector<quint32>().swap(file.m_textLengths);
        merged->m_problemCount += file.m_problemCount;
        for (const QString &message : std::as_const(file.m_messages)) {
            if (!merged->keepsMoreMessages())
                break;
            merged->m_messages.append(
                cutMessage(QFileInfo(displayPath(file.path())).fileName() + QStringLiteral(": ") + message));
        }
        merged->m_mergedFrom.push_back(files[source]);
    }
    return merged;
}
