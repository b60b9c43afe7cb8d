#pragma once

#include "logtypes.h"

#include <QString>
#include <QStringView>

class MessageStore;
class RobotAction;

// The numbers of a record's line: `counted` among the non-empty lines, as
// the reader's messages number them, and `inFile`, the line of the file
// (from 1, empty lines counted too). `textBegin` and `textEnd` are where the
// record's text lies in the file, in bytes of the text read (the expanded
// text of compressed data): from its record line's first byte to just after
// the line end of its last continuation line; -1 where unknown.
struct EntryLines
{
    EntryLines(qint64 line = 0)
        : counted(line)
        , inFile(line)
    {
    }
    EntryLines(qint64 counted, qint64 inFile)
        : counted(counted)
        , inFile(inFile)
    {
    }
    qint64 counted;
    qint64 inFile;
    qint64 textBegin = -1;
    qint64 textEnd = -1;
};

// One record of a log file: a record line plus the continuation lines joined to it.
//
// Kept small, as a file holds millions: the message is stored as Latin-1
// while every character it has fits, otherwise as UTF-16, in its file's
// MessageStore (or, for an entry made without one, in a block of its own),
// and is made a QString only when asked for.
class LogFileEntry final
{
public:
    LogFileEntry(double time, EntryType type, const QString &subsystem);
    ~LogFileEntry();
    // Moved into its file's EntryStore once the reader made it; the message
    // goes along, not copied.
    LogFileEntry(LogFileEntry &&other) noexcept;
    LogFileEntry &operator=(LogFileEntry &&other) noexcept;
    Q_DISABLE_COPY(LogFileEntry)

    double time() const { return m_time; }
    EntryType type() const { return EntryType(m_type); }
    const QString &subsystem() const { return m_subsystem; }
    QString message() const;
    // The length of message(), without making it.
    int messageLength() const { return int(m_length); }
    // The message's characters as they are kept, for reading them without
    // making a QString: Latin-1 unless messageIsWide(), then UTF-16.
    bool messageIsWide() const { return m_wide; }
    QLatin1String messageLatin1() const { return QLatin1String(m_wide || !m_text ? "" : m_text, m_wide ? 0 : int(m_length)); }
    QStringView messageUtf16() const
    {
        return m_wide ? QStringView(reinterpret_cast<const QChar *>(m_text), qsizetype(m_length)) : QStringView();
    }
    // Meaningful only while action() is set.
    ActionActivity activity() const { return ActionActivity(m_activity); }
    // The action its file links it to; the file owns it, and keeps it for
    // as long as the entry is the file's.
    const RobotAction *action() const { return m_action; }
    bool hasAction() const { return m_action != nullptr; }
    // Which of a merged view's files the record comes from, from 0; always
    // 0 in a file read on its own. Action ids belong to one file: the same
    // id in two sources names two actions.
    int source() const { return m_source; }

    // Appends the text unchanged, with no separator; into `store` when
    // given, which must outlive the entry.
    void appendMessage(QStringView text, MessageStore *store = nullptr);

private:
    friend class LogFile;
    void setAction(const RobotAction *action, ActionActivity activity);

    // Makes room for `length` characters of `wide` width, keeping the first
    // `keep` characters; returns where the characters begin.
    char *resize(quint32 keep, quint32 length, bool wide, MessageStore *store);

    double m_time;
    QString m_subsystem;
    const RobotAction *m_action = nullptr;
    char *m_text = nullptr;
    quint32 m_length = 0;
    quint8 m_type;
    quint8 m_activity = NoActivity;
    quint8 m_source = 0;
    bool m_wide : 1;
    // m_text is a block of the entry's own, not a store's.
    bool m_owned : 1;
};
