#pragma once

#include <QHash>
#include <QSet>
#include <QString>

#include <memory>
#include <vector>

class LogFile;
class LogFileEntry;
class RobotAction;

// What an export writes for each record it takes, so that reading the
// export links every record to the action it has in the file shown.
//
// A reader takes an action's name, arguments and sub-actions from the first
// record that mentions its number. Once a filter hides that record, a later
// one ("starting action: 102:", or "canceling action: 102: grip lost") would
// name the action by itself, or leave it without one. So each record is
// linked here as a reader of the export would link it, in a file of actions
// of its own; where that would not give the record its action, the record is
// written as "<prefix> <id>: <description>" with a description rebuilt from
// the action, which reads back as the same name, arguments and sub-actions.
//
// The files of a merged view number their actions each on their own. Where
// a file uses a number an earlier file of the view uses too, its actions get
// new numbers, past every number in use, and its action records are always
// written with their descriptions rebuilt in those numbers.
class ExportedActions final
{
public:
    // For the records of `file`, which tells how the actions of its sources
    // are to be numbered.
    explicit ExportedActions(const LogFile &file);
    // Whether some actions get new numbers (the file's sources share
    // numbers): then the records must be written through this even when
    // every record is written.
    bool renumbers() const;
    ~ExportedActions();
    Q_DISABLE_COPY_MOVE(ExportedActions)

    // The message to write for `entry`, the next record of the export.
    QString message(const LogFileEntry &entry);

private:
    // Whether the action a reader of the export knows under `id` is
    // `wanted`: the same name, arguments and sub-actions, all the way down.
    bool matches(const RobotAction &wanted);
    // The description of `action`, `depth` levels below the record's own;
    // `written` holds the actions described so far in this text, which a
    // reader knows by then.
    void describe(const RobotAction &action, int depth, QSet<int> &written, QString &text) const;

    // The record of a source whose actions are numbered anew.
    QString renumberedMessage(const LogFileEntry &entry, const QString &prefix);
    int idOf(const RobotAction &action) const;

    std::unique_ptr<LogFile> links;
    // Per source, the actions numbered anew; for the record being written,
    // its source's.
    std::vector<QHash<int, int>> renumbering;
    const QHash<int, int> *current = nullptr;
    // For sources numbered anew, the record that describes each action:
    // the first that names it.
    QHash<const RobotAction *, const LogFileEntry *> describedBy;
    // The actions found the same as the shown file's, by id.
    QHash<int, const RobotAction *> confirmed;
};
