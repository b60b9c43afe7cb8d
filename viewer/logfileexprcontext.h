#pragma once

#include "exprcontext.h"

#include <QStringList>

#include <memory>

class LogFile;
class QTreeWidgetItem;

// Serves the filter language's variables and the function contains() from one
// entry row of a log file viewer. Apart from isaction every value is read from
// the row's cell texts, so a filter sees exactly what the user sees.
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

    // "time", "type", "action", "activity", "message", "subsystem", "isaction".
    static const QStringList variableNames;

private:
    QTreeWidgetItem *item = nullptr;
    std::shared_ptr<LogFile> logFile;
};
