#pragma once

#include <QString>

class LogFileEntry;
class RobotAction;

// Filters offered on a row of the tree: each is a clause of the filter
// language about the row's record, which combines with the filter that
// already applies.
namespace quickfilter {

enum Kind { OnlySubsystem, HideSubsystem, OnlyType, OnlyAction, FromTime, UpToTime, KindCount };

// The menu text of a kind: "Only this subsystem", ...
QString title(Kind kind);
// The clause for a record, or for the sub-action `action` when given; empty
// when the kind does not apply (an action filter on a plain record).
QString clause(Kind kind, const LogFileEntry &entry, const RobotAction *action = nullptr);
// `current` and then `clause`. "&&" binds loosest in this language, so the
// current filter needs no parentheses; they are added anyway when it holds
// "||", so that what is applied reads the way it works.
QString combine(const QString &current, const QString &clause);

} // namespace quickfilter
