#pragma once

#include "exprcontext.h"
#include "logfileentry.h"

#include <QHash>
#include <QStringList>

#include <memory>

class LogFile;
class LogFileEntry;
class QTreeWidgetItem;

// Serves the filter language's variables and the function contains() for
// one entry of a log file: a viewer row (setItem) or an entry by number
// (setEntry). Values come from the entry's own data and are what its row
// shows: time at full precision, the other values as the cells show them,
// text values in small letters.
//
// One context is used by one thread at a time; a filter pass that runs on
// several threads gives each its own.
class LogFileExprContext : public mirt::expr::ExprContext
{
public:
    LogFileExprContext();
    ~LogFileExprContext() override;
    Q_DISABLE_COPY_MOVE(LogFileExprContext)

    void setLogFile(std::shared_ptr<LogFile> file);
    // The row to evaluate: its entry is found through the entry number in
    // column 0 under Qt::UserRole.
    void setItem(QTreeWidgetItem *row);
    // The entry to evaluate, by its number in the file.
    void setEntry(int number);

    bool isVariable(const QString &name) override;
    QVariant getVariable(const QString &name) override;
    bool isFunction(const QString &name) override;
    QVariant evalFunction(const QString &name, std::vector<std::shared_ptr<mirt::expr::ExprNode>> args) override;

    // "time", "type", "action", "activity", "message", "subsystem", "isaction",
    // "text".
    static const QStringList variableNames;
    // The value of `type` for records of this type.
    static const QString &typeValue(EntryType type);

private:
    // The entry being evaluated; null without a row or file.
    const LogFileEntry *currentEntry() const;
    int variableIndex(const QString &name);
    QVariant cellVariable(int index) const;
    const QString &loweredSubsystem(const QString &subsystem);

    QTreeWidgetItem *item = nullptr;
    std::shared_ptr<LogFile> logFile;
    int entryNumber = -1;
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
