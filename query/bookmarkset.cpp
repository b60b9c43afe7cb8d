#include "bookmarkset.h"

#include "logfile.h"
#include "logfileentry.h"

#include <QHash>

#include <algorithm>
#include <set>

namespace {

// Where the record lines of a file are. A file read on its own has its
// entries in the order of their lines; a merged file's are found once per
// source, and only for the sources asked about.
class RecordLines final
{
public:
    RecordLines(const LogFile &file, const std::set<int> &sources)
        : file(file)
        , merged(file.isMerged())
    {
        if (!merged || sources.empty())
            return;
        const EntryList &entries = file.entries();
        for (int entry = 0; entry < entries.size(); ++entry) {
            const int source = entries.at(entry)->source();
            if (sources.count(source))
                bySource[source].push_back(entry);
        }
    }

    // The entry whose record holds `line` of `source`: the last record that
    // starts at or before it; -1 before the first record or after the last
    // record's line.
    int recordOf(int source, qint64 line) const
    {
        const std::vector<int> *listed = nullptr;
        int count = 0;
        if (merged) {
            const auto found = bySource.find(source);
            if (found == bySource.end())
                return -1;
            listed = &found->second;
            count = int(listed->size());
        } else {
            if (source != 0)
                return -1;
            count = file.entries().size();
        }
        const auto entryAt = [&](int index) { return listed ? (*listed)[size_t(index)] : index; };
        if (count == 0 || line > file.lineOf(entryAt(count - 1)))
            return -1;
        int low = 0;
        int high = count; // the first index whose line is past `line`
        while (low < high) {
            const int middle = low + (high - low) / 2;
            if (file.lineOf(entryAt(middle)) <= line)
                low = middle + 1;
            else
                high = middle;
        }
        return low == 0 ? -1 : entryAt(low - 1);
    }

    // A print of the first `wanted` records of `source`, and how many there
    // were of them.
    std::pair<int, quint64> beginning(int source, int wanted) const
    {
        quint64 print = quint64(source) + 1;
        const std::vector<int> *listed = nullptr;
        if (merged) {
            const auto found = bySource.find(source);
            listed = found == bySource.end() ? nullptr : &found->second;
        }
        const int available = merged ? (listed ? int(listed->size()) : 0) : file.entries().size();
        const int count = std::min(available, wanted);
        for (int index = 0; index < count; ++index)
            print = print * 1000003u ^ recordPrint(listed ? (*listed)[size_t(index)] : index);
        return {count, print};
    }

    // A print of the record of `entry`: its line, time (without its file's
    // shift), type, subsystem and first line of text, which lines that
    // continue it later leave alone.
    quint64 recordPrint(int entry) const
    {
        const LogFileEntry &record = *file.entries().at(entry);
        const size_t source = size_t(record.source());
        const double shift = source < file.sources().size() ? file.sources()[source].shift : 0.0;
        QString text = record.message();
        const int end = text.indexOf(QLatin1Char('\n'));
        if (end >= 0)
            text.truncate(end);
        uint hash = qHash(file.lineOf(entry), uint(record.type()));
        hash = qHash(qRound64((record.time() - shift) * 1000), hash);
        hash = qHash(record.subsystem(), hash);
        return (quint64(qHash(text, hash)) << 32) | quint64(qHash(file.lineOf(entry)));
    }

private:
    const LogFile &file;
    bool merged = false;
    std::map<int, std::vector<int>> bySource;
};

std::set<int> sourcesOf(const std::vector<Bookmark> &bookmarks)
{
    std::set<int> sources;
    for (const Bookmark &bookmark : bookmarks)
        sources.insert(bookmark.source);
    return sources;
}

} // namespace

int BookmarkSet::entryOf(int source, qint64 line) const
{
    const auto found = marks.find({source, line});
    return found == marks.end() ? -1 : found->second.entry;
}

const QString *BookmarkSet::noteOfEntry(int entry) const
{
    const auto key = keyOfEntry.find(entry);
    if (key == keyOfEntry.end())
        return nullptr;
    const auto found = marks.find(key->second);
    return found == marks.end() ? nullptr : &found->second.note;
}

void BookmarkSet::add(int entry, const Key &key, const QString &note)
{
    marks[key] = Mark{entry, note.left(maxNoteLength)};
    if (entry >= 0) {
        keyOfEntry[entry] = key;
        byEntry.insert(std::lower_bound(byEntry.begin(), byEntry.end(), entry), entry);
    }
    changed();
}

bool BookmarkSet::toggle(int entry, int source, qint64 line)
{
    if (remove(source, line))
        return false;
    add(entry, {source, line}, QString());
    return true;
}

void BookmarkSet::setNote(int entry, int source, qint64 line, const QString &note)
{
    if (!changeNote(source, line, note))
        add(entry, {source, line}, note);
}

bool BookmarkSet::changeNote(int source, qint64 line, const QString &note)
{
    const auto found = marks.find({source, line});
    if (found == marks.end())
        return false;
    found->second.note = note.left(maxNoteLength);
    return true;
}

bool BookmarkSet::remove(int source, qint64 line)
{
    const auto found = marks.find({source, line});
    if (found == marks.end())
        return false;
    const int entry = found->second.entry;
    marks.erase(found);
    if (entry >= 0) {
        keyOfEntry.erase(entry);
        const auto at = std::lower_bound(byEntry.begin(), byEntry.end(), entry);
        if (at != byEntry.end() && *at == entry)
            byEntry.erase(at);
    }
    changed();
    return true;
}

void BookmarkSet::clear()
{
    marks.clear();
    byEntry.clear();
    keyOfEntry.clear();
    changed();
}

std::vector<BookmarkSet::Placed> BookmarkSet::placed() const
{
    std::vector<Placed> result;
    result.reserve(marks.size());
    for (const int entry : byEntry) {
        const Key &key = keyOfEntry.at(entry);
        result.push_back(Placed{entry, Bookmark{key.first, key.second, marks.at(key).note}});
    }
    return result;
}

std::vector<Bookmark> BookmarkSet::list() const
{
    std::vector<Bookmark> result;
    result.reserve(marks.size());
    for (const Placed &placedMark : placed())
        result.push_back(placedMark.bookmark);
    return result;
}

int BookmarkSet::place(const LogFile &file, const std::vector<Bookmark> &bookmarks)
{
    clear();
    const RecordLines lines(file, sourcesOf(bookmarks));
    int left = 0;
    for (const Bookmark &bookmark : bookmarks) {
        const int entry = size() < maxCount ? lines.recordOf(bookmark.source, bookmark.line) : -1;
        if (entry < 0) {
            ++left;
            continue;
        }
        const Key key{bookmark.source, file.lineOf(entry)};
        // Two lines of one record make one bookmark, with the first note given.
        const auto found = marks.find(key);
        if (found == marks.end()) {
            marks[key] = Mark{entry, bookmark.note.left(maxNoteLength)};
            keyOfEntry[entry] = key;
            byEntry.push_back(entry);
        } else if (found->second.note.isEmpty()) {
            found->second.note = bookmark.note.left(maxNoteLength);
        }
    }
    std::sort(byEntry.begin(), byEntry.end());
    changed();
    return left;
}

std::vector<int> BookmarkSet::placeCarried(const LogFile &file, const BookmarkCarry &carry)
{
    const std::set<int> sources = sourcesOf(carry.bookmarks);
    std::set<int> anew;
    if (carry.writtenAnew) {
        anew = sources;
    } else {
        const RecordLines lines(file, sources);
        for (const int source : sources) {
            if (size_t(source) >= carry.beginnings.size())
                continue;
            const std::pair<int, quint64> &before = carry.beginnings[size_t(source)];
            if (lines.beginning(source, before.first) != before)
                anew.insert(source);
        }
        for (size_t index = 0; index < carry.records.size() && index < carry.bookmarks.size(); ++index) {
            const Bookmark &bookmark = carry.bookmarks[index];
            const int entry = lines.recordOf(bookmark.source, bookmark.line);
            if (entry < 0 || file.lineOf(entry) != bookmark.line || lines.recordPrint(entry) != carry.records[index])
                anew.insert(bookmark.source);
        }
    }
    std::vector<Bookmark> kept;
    for (const Bookmark &bookmark : carry.bookmarks) {
        if (!anew.count(bookmark.source))
            kept.push_back(bookmark);
    }
    place(file, kept);
    return std::vector<int>(anew.begin(), anew.end());
}

BookmarkCarry BookmarkSet::carry(const LogFile &file) const
{
    BookmarkCarry carried;
    const std::vector<Placed> all = placed();
    std::set<int> sources;
    for (const Placed &mark : all)
        sources.insert(mark.bookmark.source);
    const RecordLines lines(file, sources);
    for (const Placed &mark : all) {
        carried.bookmarks.push_back(mark.bookmark);
        carried.records.push_back(lines.recordPrint(mark.entry));
    }
    if (!sources.empty()) {
        carried.beginnings.assign(size_t(*sources.rbegin()) + 1, {0, 0});
        for (const int source : sources)
            carried.beginnings[size_t(source)] = lines.beginning(source, printedRecords);
    }
    return carried;
}

std::shared_ptr<const LineMarks> BookmarkSet::lineMarks() const
{
    if (!snapshot) {
        std::vector<std::pair<int, qint64>> lines;
        lines.reserve(marks.size());
        for (const auto &mark : marks)
            lines.push_back(mark.first);
        snapshot = std::make_shared<const LineMarks>(lines);
    }
    return snapshot;
}
