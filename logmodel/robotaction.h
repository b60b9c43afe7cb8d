#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One robot action, shared by every record that names its id and by every
// parent whose child list names it. It carries no state of its own: what a
// record says about it lives in the record's activity. The file that read it
// owns it, and its sub-actions.
class RobotAction final
{
public:
    RobotAction(int id, const QString &name);
    ~RobotAction();
    Q_DISABLE_COPY_MOVE(RobotAction)

    int id() const { return m_id; }
    const QString &name() const { return m_name; }
    const QList<const RobotAction *> &children() const { return m_children; }
    const QStringList &arguments() const { return m_arguments; }

    void addChild(const RobotAction *child);
    void addArgument(const QString &text);

private:
    int m_id;
    QString m_name;
    QList<const RobotAction *> m_children;
    QStringList m_arguments;
};
