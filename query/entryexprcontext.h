#pragma once

#include "exprcontext.h"
#include "logtypes.h"

#include <QHash>
#include <QStringList>

#include <memory>

class LineMarks;
class LogFileEntry;

// Serves the filter language's variables and the function contains() for
// one record: values come from the record's own data and are what its row
// shows (EntryPresentation): time at full precision, the other values as
// the cells show them, text values in small letters.
//
// One context is used by one thread at a time; work that runs on several
// threads gives each its own.
class EntryExprContext : public mirt::expr::ExprContext
{
public:
    EntryExprContext();
    ~EntryExprContext() override;
    Q_DISABLE_COPY_MOVE(EntryExprContext)

    // The short names of the files the records come from, by the record's
    // source; the value of `source` (in small letters).
    void setSources(const QStringList &shortNames);

    // The marked lines, which `bookmarked` asks; none marks nothing.
    void setMarks(std::shared_ptr<const LineMarks> marks) { lineMarks = std::move(marks); }

    // The record to evaluate, with the line of its file its record line is
    // on (LogFile::lineOf, 0 when unknown); none gives the values of a
    // record-less row.
    void setRecord(const LogFileEntry *entry, qint64 line = 0)
    {
        record = entry;
        recordLine = line;
    }
    const LogFileEntry *currentRecord() const { return record; }

    bool isVariable(const QString &name) override;
    QVariant getVariable(const QString &name) override;
    bool isFunction(const QString &name) override;
    QVariant evalFunction(const QString &name, std::vector<std::shared_ptr<mirt::expr::ExprNode>> args) override;

    // "time", "type", "action", "activity", "message", "subsystem", "isaction",
    // "text", "source", "line", "bookmarked".
    static const QStringList variableNames;
    enum Variable { Time, Type, Action, Activity, Message, Subsystem, IsAction, Text, Source, Line, Bookmarked };

protected:
    // The value of a variable when there is no record.
    virtual QVariant valueWithoutRecord(int variable) const;
    // Forgets what was learnt of a file's subsystem names.
    void forgetSubsystems() { loweredSubsystems.clear(); }

private:
    int variableIndex(const QString &name);
    const QString &loweredSubsystem(const QString &subsystem);

    const LogFileEntry *record = nullptr;
    qint64 recordLine = 0;
    std::shared_ptr<const LineMarks> lineMarks;
    QStringList sources;
    // Variable nodes keep their names for the whole pass, so the index of a
    // name is found once per node, by the address of its text. Each entry
    // keeps the text alive, so that no other text can take its address.
    struct KnownName
    {
        QString name;
        int index;
    };
    QHash<const QChar *, KnownName> nameIndexes;
    // Subsystem names are shared by all entries that show them; lowered once.
    struct KnownSubsystem
    {
        QString name;
        QString lowered;
    };
    QHash<const QChar *, KnownSubsystem> loweredSubsystems;
};
