#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// One robot action, shared by every record that names its id and by every
// parent whose child list names it. It carries no state of its own: what a
// record says about it lives in the record's activity.
class RobotAction
{
public:
    RobotAction(int id, const QString &name);
    virtual ~RobotAction();
    Q_DISABLE_COPY_MOVE(RobotAction)

    int id() const { return m_id; }
    const QString &name() const { return m_name; }
    const QList<std::shared_ptr<RobotAction>> &children() const { return m_children; }
    const QStringList &arguments() const { return m_arguments; }

    void addChild(std::shared_ptr<RobotAction> child);
    void addArgument(const QString &text);

private:
    friend class LogFile;
    // Drops the child references; used when a file is destroyed so that long
    // chains of actions are released one by one instead of recursively.
    void releaseChildren();

    int m_id;
    QString m_name;
    QList<std::shared_ptr<RobotAction>> m_children;
    QStringList m_arguments;
};
