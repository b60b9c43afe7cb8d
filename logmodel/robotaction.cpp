#include "robotaction.h"

RobotAction::RobotAction(int id, const QString &name)
    : m_id(id)
    , m_name(name)
{
}

RobotAction::~RobotAction() = default;

void RobotAction::addChild(std::shared_ptr<RobotAction> child)
{
    m_children.append(std::move(child));
}

void RobotAction::addArgument(const QString &text)
{
    m_arguments.append(text);
}

void RobotAction::releaseChildren()
{
    m_children.clear();
}
