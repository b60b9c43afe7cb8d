#pragma once

#include "linemarks.h"

#include <QString>

#include <map>
#include <memory>
#include <utility>
#include <vector>

class LogFile;

// A record the user marked: by the file it comes from (its source, 0 in a
// tab of one file) and the line of that file its record line is on, from 1.
struct Bookmark
{
    int source = 0;
    qint64 line = 0;
    QString note;
};

// What a tab's bookmarks take along to the tab that reads its files again:
// the bookmarks, and prints of what they were set on, which tell whether a
// file read then is still the one they belong to.
struct BookmarkCarry
{
    std::vector<Bookmark> bookmarks;
    // Per bookmark, a print of its record; none for bookmarks given from
    // outside, which are placed as they come.
    std::vector<quint64> records;
    // Per source, how many of its first records were printed, and their
    // print (a file grown since prints the same).
    std::vector<std::pair<int, quint64>> beginnings;
    // Following found a file replaced, cut shorter or written anew.
    bool writtenAnew = false;
};

// The bookmarks of one tab, keyed by (source, line), each with a note, and
// the entry of the file each one is on. Lines, unlike entry numbers, stay
// put when the file is read again or grows. Lives on the GUI thread; what
// filters ask goes to them as a LineMarks snapshot.
class BookmarkSet final
{
public:
    // Bounds for what comes from outside (a saved session, say).
    static constexpr int maxNoteLength = 4096;
    static constexpr int maxCount = 100000;
    // The records of a source that make the print of its beginning.
    static constexpr int printedRecords = 16;

    struct Placed
    {
        int entry = -1;
        Bookmark bookmark;
    };

    bool isEmpty() const { return marks.empty(); }
    int size() const { return int(marks.size()); }
    bool contains(int source, qint64 line) const { return marks.count({source, line}) != 0; }
    // The entry bookmark (source, line) is on; -1 when there is none.
    int entryOf(int source, qint64 line) const;
    // The note of the bookmark on entry `entry`; null when it has none.
    const QString *noteOfEntry(int entry) const;

    // Marks entry `entry`, whose record is line `line` of source `source`,
    // or takes its mark away; whether it is marked now.
    bool toggle(int entry, int source, qint64 line);
    // Sets the note of the bookmark on `entry`, which is made when missing.
    void setNote(int entry, int source, qint64 line, const QString &note);
    // Changes the note of an existing bookmark; false when there is none.
    bool changeNote(int source, qint64 line, const QString &note);
    bool remove(int source, qint64 line);
    void clear();

    // In the order of the entries they are on.
    std::vector<Placed> placed() const;
    std::vector<Bookmark> list() const;
    // The entries marked, in order.
    const std::vector<int> &entries() const { return byEntry; }

    // Puts `bookmarks` on the records of `file` in place of those there
    // were: a line a record continues on goes to that record's line; a line
    // before the first record or after the last record's line has no
    // record and is left out. Returns how many were left out.
    int place(const LogFile &file, const std::vector<Bookmark> &bookmarks);
    // Places bookmarks carried from an earlier read of the files: those of
    // a source that was written anew since (its beginning or a bookmarked
    // record differs) are left out. Returns those sources.
    std::vector<int> placeCarried(const LogFile &file, const BookmarkCarry &carry);
    // The bookmarks with the prints placeCarried() compares.
    BookmarkCarry carry(const LogFile &file) const;

    // The marked lines for filters, shared by the threads of a pass; made
    // again after every change.
    std::shared_ptr<const LineMarks> lineMarks() const;

private:
    using Key = std::pair<int, qint64>;
    struct Mark
    {
        int entry = -1;
        QString note;
    };
    void add(int entry, const Key &key, const QString &note);
    void changed() { snapshot.reset(); }

    std::map<Key, Mark> marks;
    // The entries marked, sorted, and the key of each.
    std::vector<int> byEntry;
    std::map<int, Key> keyOfEntry;
    mutable std::shared_ptr<const LineMarks> snapshot;
};
