#pragma once

#include "logfileentry.h"
#include "robotaction.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <vector>

class BracketIndex;

// One loaded log file: its entries in file order (an entry's position is its
// entry number) and the robot actions its action records describe.
// Complete and unchanging once load() has returned it.
class LogFile : public QObject
{
    Q_OBJECT

public:
    // Child lists nested deeper than this fail like malformed lists; real
    // descriptions are a few levels deep, and the bound keeps corrupt lines
    // from exhausting the stack.
    static constexpr int maxActionDepth = 256;

    explicit LogFile(const QString &path, QObject *parent = nullptr);
    ~LogFile() override;

    // Reads the file at `path`. Appends one message per problem to `errors`;
    // returns nothing when the file cannot be read at all.
    static std::shared_ptr<LogFile> load(const QString &path, QStringList &errors);

    const QString &path() const { return m_path; }
    const QList<std::shared_ptr<LogFileEntry>> &entries() const { return m_entries; }
    const QMap<int, std::shared_ptr<RobotAction>> &actions() const { return m_actions; }

    // Links every action record of entries() to its RobotAction.
    void linkActions();
    // Reads an action reference at the position and returns the action it names,
    // registering new actions (and their sub-actions) in actions().
    std::shared_ptr<RobotAction> findOrParseAction(const QString &text, int &position);

private:
    std::shared_ptr<RobotAction> findOrParseAction(QStringView text, int &position,
                                                   BracketIndex &brackets,
                                                   std::vector<const RobotAction *> &ancestors);

    QString m_path;
    QList<std::shared_ptr<LogFileEntry>> m_entries;
    QMap<int, std::shared_ptr<RobotAction>> m_actions;
};
