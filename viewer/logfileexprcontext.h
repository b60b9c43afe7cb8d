#pragma once

#include "exprcontext.h"

#include <QStringList>

#include <memory>

class LogFile;
class LogFileEntry;
class QTreeWidgetItem;

// Serves the filter language's variables and the function contains() from one
// entry row of a log file viewer. time, isaction and text come from the
// row's entry; the others are read from the row's cell texts, so a filter
// sees what the user sees.
class LogFileExprContext : public mirt::expr::ExprContext
{
public:
    LogFileExprContext();
    ~LogFileExprContext() override;
    Q_DISABLE_COPY_MOVE(LogFileExprContext)

    void setLogFile(std::shared_ptr<LogFile> file);
    void setItem(QTreeWidgetItem *row);

    bool isVariable(const QString &name) override;
    QVariant getVariable(const QString &name) override;
    bool isFunction(const QString &name) override;
    QVariant evalFunction(const QString &name, std::vector<std::shared_ptr<mirt::expr::ExprNode>> args) override;

    // "time", "type", "action", "activity", "message", "subsystem", "isaction",
    // "text".
    static const QStringList variableNames;

private:
    // The entry of the current row; null without a row or file.
    const LogFileEntry *currentEntry() const;

    QTreeWidgetItem *item = nullptr;
    std::shared_ptr<LogFile> logFile;
};
