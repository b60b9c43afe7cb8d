#pragma once

#include "logfileentry.h"
#include "robotaction.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <atomic>
#include <memory>
#include <shared_mutex>
#include <vector>

class BracketIndex;

// One loaded log file: its entries in file order (an entry's position is its
// entry number) and the robot actions its action records describe.
// Complete once load() has returned it; a followed log only grows, under
// accessLock().
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

    // Reads the file at `path` up to the size it has when it is opened.
    // Appends the reader's messages to `errors` (at most maxKeptMessages);
    // returns nothing when the file cannot be read at all.
    static std::shared_ptr<LogFile> load(const QString &path, QStringList &errors);

    const QString &path() const { return m_path; }
    const QList<std::shared_ptr<LogFileEntry>> &entries() const { return m_entries; }
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
    // The same, stopping early (with the remaining entries unlinked) once
    // `cancelled` is set; `linked` (when given) counts the entries done.
    // With `deferred`, the messages of linking are collected there instead
    // of being added, for a reader that still adds its own.
    struct Problem
    {
        qint64 lineNumber;
        QString message;
    };
    void linkActions(const std::atomic<bool> *cancelled, std::atomic<int> *linked,
                     std::vector<Problem> *deferred = nullptr);
    // Adds entries read by a LogReader with an entry sink, with their line
    // numbers, for linking.
    void appendEntries(std::vector<std::pair<std::shared_ptr<LogFileEntry>, qint64>> &entries);
    void appendEntry(std::shared_ptr<LogFileEntry> entry, qint64 lineNumber);
    // Room for `count` entries in all.
    void reserveEntries(int count);
    // Adds problems collected by linkActions, in order.
    void addProblems(const std::vector<Problem> &problems);
    // Work that reads the file on other threads holds this lock shared for
    // as long as it reads; a file that grows while it is shown (a followed
    // log) takes new entries only while holding it alone.
    std::shared_mutex &accessLock() const { return m_accessLock; }

    // Reads an action reference at the position and returns the action it names,
    // registering new actions (and their sub-actions) in actions().
    std::shared_ptr<RobotAction> findOrParseAction(const QString &text, int &position);

private:
    friend class LogReader;

    std::shared_ptr<RobotAction> findOrParseAction(QStringView text, int &position,
                                                   BracketIndex &brackets,
                                                   std::vector<const RobotAction *> &ancestors,
                                                   QStringView *rejected);
    // Counts one problem of line `lineNumber` (0 for one that is no line's)
    // and keeps its message while fewer than maxKeptMessages are kept. A line
    // with several messages counts once.
    void addProblem(qint64 lineNumber, const QString &message);
    bool keepsMoreMessages() const { return m_messages.size() < maxKeptMessages; }

    QString m_path;
    mutable std::shared_mutex m_accessLock;
    QList<std::shared_ptr<LogFileEntry>> m_entries;
    std::shared_ptr<RobotAction> knownAction(int id) const;
    void addAction(int id, const std::shared_ptr<RobotAction> &action);

    // Actions by id: ids are nearly always small counters, which index the
    // vector; the others are in the hash.
    std::vector<std::shared_ptr<RobotAction>> m_denseActions;
    QHash<int, std::shared_ptr<RobotAction>> m_sparseActions;
    int m_actionCount = 0;
    mutable QMap<int, std::shared_ptr<RobotAction>> m_actions;
    mutable int m_mappedActions = 0;
    QStringList m_messages;
    qint64 m_problemCount = 0;
    qint64 m_lastProblemLine = -1;
    // Entries before this one are linked.
    int m_linkedEntries = 0;
    // The line numbers of the entries not yet linked, for the messages of
    // linking; nothing is kept per entry once it is linked.
    std::vector<qint64> m_unlinkedLineNumbers;
};
