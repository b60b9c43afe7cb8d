#pragma once

#include "logtypes.h"

#include <QHash>
#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

class RobotAction;

// The scanners of action records. Each reads `text` at `position` and moves the
// position past what it consumed.

// The action prefix at the position ("starting action:", "completing action:" or
// "canceling action:"), with white space skipped before and after; empty when none.
QString matchActionPrefix(const QString &text, int &position);
QString matchActionPrefix(QStringView text, int &position);

// The activity that a prefix returned by matchActionPrefix stands for.
ActionActivity activityForPrefix(const QString &prefix);

// The action number, colon and surrounding blanks at the position; -1 when there is
// no number or no colon after it. A number that is not plain ASCII digits within
// the range of int names no action either: -1, with the position past the colon
// as for a good number, and `rejected` (when given) set to its digits.
int parseActionId(const QString &text, int &position);
int parseActionId(QStringView text, int &position, QStringView *rejected = nullptr);

// Finds, for every "[" of one text, its matching "]", in one pass, so that
// descriptions nested inside each other never rescan the same characters.
class BracketIndex final
{
public:
    explicit BracketIndex(QStringView text);
    Q_DISABLE_COPY_MOVE(BracketIndex)

    // For the "[" at `open`, the matching "]" before `end`, or nullptr.
    const QChar *closing(const QChar *open, const QChar *end);

private:
    void build();

    QStringView m_text;
    bool m_built = false;
    std::vector<int> m_opens;  // positions of "[" in increasing order
    std::vector<int> m_closes; // matching "]" of each, or -1
};

// One string for each short text met again and again: the names of actions
// and most of their arguments repeat across a file's millions of records,
// and each would otherwise hold a copy of its own. Holds up to maxTexts
// texts of up to maxLength characters; others are copied as they come.
class SharedTexts final
{
public:
    static constexpr int maxTexts = 1 << 16;
    static constexpr int maxLength = 64;

    SharedTexts() = default;
    Q_DISABLE_COPY_MOVE(SharedTexts)

    QString get(QStringView text);

private:
    // Keyed by views of the strings the hash holds, which never move.
    QHash<QStringView, QString> m_texts;
};

// A new action with the given number, made from the description at the position:
// its name, its arguments and, in `childText`, the text of its child list.
// Texts come from `shared` when given.
std::shared_ptr<RobotAction> parseActionDescription(const QString &text, int &position, int id,
                                                    QString &childText);
std::shared_ptr<RobotAction> parseActionDescription(QStringView text, int &position, int id,
                                                    QStringView &childText, BracketIndex &brackets,
                                                    SharedTexts *shared = nullptr);
