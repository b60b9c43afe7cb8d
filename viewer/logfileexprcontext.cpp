#include "logfileexprcontext.h"

#include "localpath.h"

#include "entrypresentation.h"
#include "logfile.h"

#include <QTreeWidgetItem>

LogFileExprContext::LogFileExprContext() = default;

LogFileExprContext::~LogFileExprContext() = default;

const QString &LogFileExprContext::typeValue(EntryType type)
{
    return EntryPresentation::typeValue(type);
}

void LogFileExprContext::setLogFile(std::shared_ptr<LogFile> file)
{
    logFile = std::move(file);
    forgetSubsystems();
    setSources(logFile ? logFile->sourceNames() : QStringList());
    findRecord(item ? item->data(EntryPresentation::TimeColumn, Qt::UserRole).toInt() : entryNumber);
}

void LogFileExprContext::setItem(QTreeWidgetItem *row)
{
    item = row;
    entryNumber = -1;
    // A row without an entry number (a sub-action row) reads as entry 0.
    findRecord(row ? row->data(EntryPresentation::TimeColumn, Qt::UserRole).toInt() : -1);
}

void LogFileExprContext::setEntry(int number)
{
    item = nullptr;
    entryNumber = number;
    findRecord(number);
}

void LogFileExprContext::findRecord(int number)
{
    const bool known = logFile && number >= 0 && number < logFile->entries().size();
    setRecord(known ? logFile->entries().at(number) : nullptr, known ? logFile->lineOf(number) : 0);
}

QVariant LogFileExprContext::valueWithoutRecord(int variable) const
{
    if ((variable == IsAction || variable == Bookmarked) && (item || entryNumber >= 0))
        return false;
    // A row of some other tree, without a file: what its cells show.
    if (!item)
        return QVariant();
    switch (variable) {
    case Time:
        return item->text(EntryPresentation::TimeColumn).toDouble();
    case Type:
        return EntryPresentation::lowered(item->text(EntryPresentation::TypeColumn));
    case Action:
        return item->text(EntryPresentation::ActionColumn).toUInt(nullptr, 10);
    case Activity:
        return EntryPresentation::lowered(item->text(EntryPresentation::ActivityColumn));
    case Message:
    case Text:
        return EntryPresentation::lowered(item->text(EntryPresentation::MessageColumn));
    case Subsystem:
        return EntryPresentation::lowered(item->text(EntryPresentation::SubsystemColumn));
    case IsAction:
        return false;
    default:
        return QVariant();
    }
}
