#include "robotaction.h"

RobotAction::RobotAction(int id, const QString &name)
    : m_id(id)
    , m_name(name)
{
}

RobotAction::~RobotAction() = default;

void RobotAction::addChild(const RobotAction *child)
{
    m_children.append(child);
}

void RobotAction::addArgument(const QString &text)
{
    m_arguments.append(text);
}
