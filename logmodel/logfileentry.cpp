#include "logfileentry.h"

#include "robotaction.h"

LogFileEntry::LogFileEntry(double time, EntryType type, const QString &subsystem)
    : m_time(time)
    , m_type(type)
    , m_subsystem(subsystem)
{
}

LogFileEntry::~LogFileEntry() = default;

void LogFileEntry::appendMessage(const QString &text)
{
    m_message.append(text);
}

void LogFileEntry::setAction(std::shared_ptr<RobotAction> action, ActionActivity activity)
{
    m_action = std::move(action);
    m_activity = activity;
}
