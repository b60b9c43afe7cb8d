#pragma once

#include "logtypes.h"

#include <QString>

#include <memory>

class RobotAction;

// One record of a log file: a record line plus the continuation lines joined to it.
class LogFileEntry
{
public:
    LogFileEntry(double time, EntryType type, const QString &subsystem);
    virtual ~LogFileEntry();
    Q_DISABLE_COPY_MOVE(LogFileEntry)

    double time() const { return m_time; }
    EntryType type() const { return m_type; }
    const QString &subsystem() const { return m_subsystem; }
    const QString &message() const { return m_message; }
    // Meaningful only while action() is set.
    ActionActivity activity() const { return m_activity; }
    std::shared_ptr<RobotAction> action() const { return m_action; }
    bool hasAction() const { return m_action != nullptr; }

    // Appends the text unchanged, with no separator.
    void appendMessage(const QString &text);
    void setAction(std::shared_ptr<RobotAction> action, ActionActivity activity);

private:
    double m_time;
    EntryType m_type;
    ActionActivity m_activity = NoActivity;
    QString m_subsystem;
    QString m_message;
    std::shared_ptr<RobotAction> m_action;
};
