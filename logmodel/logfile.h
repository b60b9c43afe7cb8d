#pragma once

#include "actionparser.h"
#include "entrylist.h"
#include "logfileentry.h"
#include "loginput.h"
#include "messagestore.h"
#include "robotaction.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QThread>
#include <QVector>

#include <atomic>
#include <memory>
#include <shared_mutex>
#include <vector>

class BracketIndex;

// One loaded log file: its entries in file order (an entry's position is its
// entry number) and the robot actions its action records describe.
// Complete once load() has returned it; a followed log only grows.
//
// The thread rule: one thread at a time appends, through an Appender, which
// holds the file's lock alone; work on other threads reads through a
// ReadAccess, which holds it shared. The thread that appends may read
// without either.
class LogFile : public QObject
{
    Q_OBJECT

public:
    // Child lists nested deeper than this fail like malformed lists; real
    // descriptions are a few levels deep, and the bound keeps corrupt lines
    // from exhausting the stack.
    static constexpr int maxActionDepth = 256;

    // Reader messages are kept for the first maxKeptMessages problems only,
    // each cut to maxMessageLength characters: a message quotes its line, and
    // a broken file can have millions of lines of any length.
    static constexpr int maxKeptMessages = 1000;
    static constexpr int maxMessageLength = 300;

    explicit LogFile(const QString &path, QObject *parent = nullptr);
    ~LogFile() override;

    // Entries the reader made, each with the number of its line, on their
    // way into the file.
    using Batch = std::vector<std::pair<LogFileEntry, EntryLines>>;
    class ReadAccess;
    class Appender;

    // Reads the file at `path` up to the size it has when it is opened.
    // Appends the reader's messages to `errors` (at most maxKeptMessages);
    // returns nothing when the file cannot be read at all.
    static std::shared_ptr<LogFile> load(const QString &path, QStringList &errors);

    const QString &path() const { return m_path; }
    // How the file's data is stored, and the size of the text read from it
    // (for compressed data, the size it expands to). Set by whoever reads it.
    LogCompression compression() const { return m_compression; }
    qint64 textSize() const { return m_textSize; }
    void setStorage(LogCompression compression, qint64 textSize)
    {
        m_compression = compression;
        m_textSize = textSize;
    }

    // Where the entries come from: one source, the file itself, for a file
    // read on its own; the files of a merged view, in the order given, each
    // with the seconds its times were shifted by.
    struct Source
    {
        QString path;
        // The short name its tab and the filter's `source` know it by.
        QString name;
        double shift = 0;
    };
    const std::vector<Source> &sources() const { return m_sources; }
    bool isMerged() const { return !m_mergedFrom.empty(); }
    // The sources' short names, by source.
    QStringList sourceNames() const;
    // The actions of one source, in no particular order.
    std::vector<const RobotAction *> actionListOf(int source) const;
    // The most files one merge takes: an entry keeps its source in a byte.
    static constexpr int maxSources = 64;

    // One file with the entries of `files` (each read completely) in the
    // order of their times, each file's times moved by its `shifts` (in
    // seconds; none when short). The merge is stable: equal times keep the
    // order of the files as given, and a file's own entries keep their
    // order even where its times go backwards. The entries and everything
    // they name move into the merged file; `files` are left empty. Actions
    // stay linked within their own file. The reader's messages are kept,
    // each after its file's name. Nothing when `cancelled` is set first,
    // or when there are more than maxSources files.
    static std::shared_ptr<LogFile> merge(const std::vector<std::shared_ptr<LogFile>> &files,
                                          const std::vector<double> &shifts,
                                          const std::atomic<bool> *cancelled = nullptr);
    // The entries, for the thread that appends to the file (the GUI thread
    // of a shown file) or while nobody appends: work on other threads reads
    // through a ReadAccess.
    const EntryList &entries() const;
    // The line of the file entry `number`'s record line is, from 1 (empty
    // lines counted); 0 for an entry made by other means.
    qint64 lineOf(int number) const
    {
        return number >= 0 && size_t(number) < m_fileLines.size() ? qint64(m_fileLines[size_t(number)]) : 0;
    }
    // Where entry `number`'s text lies in its file, in bytes of the text
    // read (the expanded text of compressed data): from its record line's
    // first byte to just after the line end of its last continuation line.
    // `begin` is -1 for an entry made by other means; a text of
    // maxTextLength bytes or more says maxTextLength.
    struct TextRange
    {
        qint64 begin = -1;
        qint64 length = 0;
    };
    static constexpr qint64 maxTextLength = 0xffffffffLL;
    TextRange textOf(int number) const
    {
        if (number < 0 || size_t(number) >= m_textBegins.size())
            return {};
        return {m_textBegins[size_t(number)], qint64(m_textLengths[size_t(number)])};
    }
    // The file as it was when it was read, by which a reader of its bytes
    // later knows it is still that file. Set by whoever reads it.
    struct Identity
    {
        bool known = false;
        quint64 device = 0;
        quint64 inode = 0;
        qint64 storedSize = 0;
    };
    const Identity &identity() const { return m_identity; }
    void setIdentity(const Identity &identity) { m_identity = identity; }
    // The file that source `source` was read from: this one for a file
    // read on its own, the emptied file of that source for a merged one
    // (with its path, identity and compression).
    const LogFile *sourceFile(int source) const;
    // Every action, by id. Made from the index that linking uses when first
    // asked for: a map of a million actions costs seconds to fill while
    // linking, and only tests and tools look at it.
    const QMap<int, std::shared_ptr<RobotAction>> &actions() const;
    // Every action, in no particular order, without making that map.
    std::vector<const RobotAction *> actionList() const;

    // The reader's messages in the order met, as load() appended them.
    const QStringList &messages() const { return m_messages; }
    // How many problems the reader met: lines it could not use, or used only
    // in part, and read errors. messages() holds the first of them.
    qint64 problemCount() const { return m_problemCount; }
    // `text` cut to maxMessageLength characters, followed by "…" when cut.
    static QString cutMessage(const QString &text);

    // Links every action record of entries() to its RobotAction. Entries
    // linked before are left alone, so a file that grows is linked as far as
    // it has been read, in entry order, exactly as a whole file would be.
    void linkActions();

    // Reads an action reference at the position and returns the action it names,
    // registering new actions (and their sub-actions) in actions().
    std::shared_ptr<RobotAction> findOrParseAction(const QString &text, int &position);
    // The same, for trying how a text links: the ids of the actions it
    // registers are added to `added`, and forgetActions() takes them back.
    std::shared_ptr<RobotAction> findOrParseAction(const QString &text, int &position, std::vector<int> &added);
    void forgetActions(const std::vector<int> &ids);
    // The action registered under `id`, if any.
    std::shared_ptr<RobotAction> action(int id) const { return knownAction(id); }

private:
    friend class LogReader;
    struct Problem
    {
        qint64 lineNumber;
        QString message;
    };

    void linkActions(const std::atomic<bool> *cancelled);
    LogFileEntry &appendEntry(LogFileEntry &&entry, EntryLines lines);
    // The last entry's text now ends at byte `end` (a line continued it).
    void extendLastText(qint64 end);
    void reserveEntries(int count);
    // Whether a thread other than the caller's is appending now.
    bool appendingElsewhere() const;

    std::shared_ptr<RobotAction> findOrParseAction(QStringView text, int &position,
                                                   BracketIndex &brackets,
                                                   std::vector<const RobotAction *> &ancestors,
                                                   QStringView *rejected);
    // Counts one problem of line `lineNumber` (0 for one that is no line's)
    // and keeps its message while fewer than maxKeptMessages are kept (or
    // `always`: the one message that says why reading stopped). A line with
    // several messages counts once.
    void addProblem(qint64 lineNumber, const QString &message, bool always = false);
    bool keepsMoreMessages() const { return m_messages.size() < maxKeptMessages; }

    QString m_path;
    LogCompression m_compression = LogCompression::None;
    qint64 m_textSize = 0;
    std::vector<Source> m_sources;
    // The files a merged file was made of, now empty of entries: they own
    // the actions and the characters of the messages the entries name.
    std::vector<std::shared_ptr<LogFile>> m_mergedFrom;
    // Work on other threads holds it shared while it reads (ReadAccess);
    // entries are added only while it is held alone (Appender).
    mutable std::shared_mutex m_accessLock;
    std::atomic<Qt::HANDLE> m_appendingThread{nullptr};
    // Problems of linking wait here while the reader may still add its own,
    // so that the messages come in the order of a whole-file load.
    bool m_holdLinkProblems = false;
    std::vector<Problem> m_heldProblems;
    EntryStore m_entries;
    // Per entry, the line of the file of its record line.
    std::vector<quint32> m_fileLines;
    // Per entry, where its text lies in the file (textOf()).
    std::vector<qint64> m_textBegins;
    std::vector<quint32> m_textLengths;
    Identity m_identity;
    // The characters of the entries' messages, written by the reader.
    MessageStore m_messageStore;
    std::shared_ptr<RobotAction> knownAction(int id) const;
    void addAction(int id, const std::shared_ptr<RobotAction> &action);

    // Actions by id: ids are nearly always small counters, which index the
    // vector; the others are in the hash.
    std::vector<std::shared_ptr<RobotAction>> m_denseActions;
    QHash<int, std::shared_ptr<RobotAction>> m_sparseActions;
    // The names and arguments of the actions, each text once.
    SharedTexts m_sharedTexts;
    // Actions forgotten while entries of the file may name them.
    std::vector<std::shared_ptr<RobotAction>> m_retiredActions;
    int m_actionCount = 0;
    // Where the ids of newly registered actions are noted, while a text is tried.
    std::vector<int> *m_addedIds = nullptr;
    mutable QMap<int, std::shared_ptr<RobotAction>> m_actions;
    mutable int m_mappedActions = 0;
    QStringList m_messages;
    qint64 m_problemCount = 0;
    qint64 m_lastProblemLine = -1;
    // Entries before this one are linked.
    int m_linkedEntries = 0;
    // The line of the last entry linked, and the actions it named first.
    struct LastLinked
    {
        qint64 line = 0;
        std::vector<int> registered;
    };
    LastLinked m_lastLinked;
    // The line numbers of the entries not yet linked, for the messages of
    // linking; nothing is kept per entry once it is linked.
    std::vector<qint64> m_unlinkedLineNumbers;
};

// Reading a file from a thread other than the one that appends to it: holds
// the file's lock shared for as long as it lives, so that no entry is added
// meanwhile.
class LogFile::ReadAccess final
{
public:
    explicit ReadAccess(const LogFile &file);
    Q_DISABLE_COPY_MOVE(ReadAccess)

    const LogFile &file() const { return m_file; }
    int count() const { return m_file.m_entries.size(); }
    const LogFileEntry &entry(int number) const { return *m_file.m_entries.list().at(number); }
    const EntryList &entries() const { return m_file.m_entries.list(); }
    qint64 lineOf(int number) const { return m_file.lineOf(number); }
    TextRange textOf(int number) const { return m_file.textOf(number); }
    std::vector<const RobotAction *> actionList() const { return m_file.actionList(); }

private:
    const LogFile &m_file;
    std::shared_lock<std::shared_mutex> m_lock;
};

// Adding to a file: holds the file's lock alone. append() is the one way
// entries come into a file after the reader made them: it adds them, links
// their action records in entry order as a whole-file load would, and
// records the problems of linking.
class LogFile::Appender final
{
public:
    // Waits for the lock.
    explicit Appender(LogFile &file);
    // Takes the lock only when nobody holds it; ownsLock() says.
    Appender(LogFile &file, std::try_to_lock_t);
    ~Appender();
    Q_DISABLE_COPY_MOVE(Appender)

    bool ownsLock() const { return m_lock.owns_lock(); }
    LogFile &file() const { return m_file; }
    int count() const { return m_file.m_entries.size(); }

    // Adds the entries of `batch` (each with the number of its line) and
    // links them; empties the batch. Linking stops early once `cancelled`
    // is set, leaving the rest unlinked. Returns the first entry added.
    int append(Batch &batch, const std::atomic<bool> *cancelled = nullptr);
    // Room for `count` entries in all.
    void reserve(int count) { m_file.reserveEntries(count); }
    // While held, the problems of linking wait until they are let go, after
    // those the reader still adds: a load reads and links at once.
    void holdLinkProblems(bool held);
    // The last entry's message grew after it was linked (a followed record
    // was continued): links it again, as a load of the whole file would.
    // Returns the actions it named first before, which the file forgets;
    // whoever shows them keeps them until nothing shows them any more.
    std::vector<std::shared_ptr<RobotAction>> relinkLast();

private:
    LogFile &m_file;
    std::unique_lock<std::shared_mutex> m_lock;
};
