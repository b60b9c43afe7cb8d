#pragma once

#include "entryexprcontext.h"

#include <memory>

class LogFile;
class QTreeWidgetItem;

// The filter context of a log file viewer: serves the variables for a
// viewer row (setItem) or an entry of a file by its number (setEntry),
// through the record it shows.
class LogFileExprContext final : public EntryExprContext
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

    // The value of `type` for records of this type.
    static const QString &typeValue(EntryType type);

protected:
    QVariant valueWithoutRecord(int variable) const override;

private:
    void findRecord(int number);

    QTreeWidgetItem *item = nullptr;
    std::shared_ptr<LogFile> logFile;
    int entryNumber = -1;
};
