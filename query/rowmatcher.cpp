#include "rowmatcher.h"

#include "entrypresentation.h"
#include "logfileentry.h"
#include "robotaction.h"

#include <algorithm>

RowMatcher::RowMatcher(const QString &text, bool caseSensitive, bool regularExpression)
    : pattern(text)
    , sensitivity(caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive)
    , regular(regularExpression)
{
    if (regular) {
        const auto options = caseSensitive ? QRegularExpression::NoPatternOption
                                           : QRegularExpression::CaseInsensitiveOption;
        const auto bounded = [&](int limit) {
            QRegularExpression bound(QStringLiteral("(*LIMIT_MATCH=%1)").arg(limit) + text, options);
            bound.optimize();
            return bound;
        };
        expression = bounded(countingMatchLimit);
        marking = bounded(markingMatchLimit);
        valid = QRegularExpression(text, options).isValid() && expression.isValid();
        numeric = digits = true;
    } else {
        matcher = QStringMatcher(text, sensitivity);
        numeric = !text.isEmpty();
        digits = !text.isEmpty();
        for (const QChar c : text) {
            const ushort u = c.unicode();
            const bool digit = u >= '0' && u <= '9';
            digits = digits && digit;
            numeric = numeric && (digit || u == '.' || u == 'e' || u == 'E' || u == '+' || u == '-');
        }
        plain = PlainTextFinder(text, sensitivity);
    }
    for (int type = Debug; type <= Unknown; ++type)
        inTypeName[size_t(type)] = occursIn(EntryPresentation::typeName(EntryType(type)));
    for (int activity = Start; activity <= NoActivity; ++activity)
        inActivityName[size_t(activity)] = occursIn(EntryPresentation::activityName(ActionActivity(activity)));
}

bool RowMatcher::occursInPlain(QStringView cell) const
{
    switch (plain.find(cell)) {
    case PlainTextFinder::Found:
        return true;
    case PlainTextFinder::NotFound:
        return false;
    case PlainTextFinder::Unsure:
        break;
    }
    return occursIn(cell.toString());
}

bool RowMatcher::occursInMessage(const LogFileEntry &entry) const
{
    const PlainTextFinder::Result result
        = entry.messageIsWide() ? plain.find(entry.messageUtf16()) : plain.find(entry.messageLatin1());
    if (result != PlainTextFinder::Unsure)
        return result == PlainTextFinder::Found;
    return occursIn(entry.message());
}

bool RowMatcher::occursIn(const QString &cell) const
{
    if (pattern.isEmpty() || !valid)
        return false;
    // The text as the cell shows it, invisible characters as their markers,
    // so that what is counted is what is marked.
    const QString shown = EntryPresentation::withVisibleControls(cell);
    if (regular)
        return expression.match(shown).hasMatch();
    return matcher.indexIn(shown) >= 0;
}

QVector<QPair<int, int>> RowMatcher::find(const QString &cell) const
{
    QVector<QPair<int, int>> places;
    if (pattern.isEmpty() || !valid)
        return places;
    if (regular) {
        auto it = marking.globalMatch(cell);
        while (it.hasNext() && places.size() < 256) {
            const QRegularExpressionMatch match = it.next();
            if (match.capturedLength() > 0)
                places.append({match.capturedStart(), match.capturedLength()});
        }
        return places;
    }
    for (int at = matcher.indexIn(cell); at >= 0 && places.size() < 256; at = matcher.indexIn(cell, at + pattern.size()))
        places.append({at, int(pattern.size())});
    return places;
}

bool RowMatcher::occursInAction(const RobotAction &action, Memo *memo) const
{
    if (!memo)
        return occursInPlain(EntryPresentation::actionText(action));
    const size_t slot = (quintptr(&action) >> 4) % Memo::actionSlots;
    if (memo->actions[slot] != &action) {
        memo->actions[slot] = &action;
        memo->inAction[slot] = occursInPlain(EntryPresentation::actionText(action));
    }
    return memo->inAction[slot];
}

bool RowMatcher::occursInSubsystem(const QString &subsystem, Memo *memo) const
{
    if (!memo)
        return occursInPlain(subsystem);
    // A file shares one string per subsystem name.
    if (memo->subsystem != subsystem.constData() || subsystem.isEmpty()) {
        memo->subsystem = subsystem.constData();
        memo->inSubsystem = occursInPlain(subsystem);
    }
    return memo->inSubsystem;
}

bool RowMatcher::matches(const LogFileEntry &entry) const
{
    return matchesWith(entry, nullptr);
}

bool RowMatcher::matches(const LogFileEntry &entry, Memo &memo) const
{
    return matchesWith(entry, &memo);
}

bool RowMatcher::matchesWith(const LogFileEntry &entry, Memo *memo) const
{
    if (pattern.isEmpty() || !valid)
        return false;
    const RobotAction *action = entry.action();
    if (action ? occursInAction(*action, memo) : occursInMessage(entry))
        return true;
    if (occursInSubsystem(entry.subsystem(), memo) || inTypeName[size_t(std::clamp(int(entry.type()), 0, 4))])
        return true;
    if (action && (inActivityName[size_t(std::clamp(int(entry.activity()), 0, 3))]
                   || (digits && occursIn(QString::number(action->id())))))
        return true;
    return numeric && occursIn(EntryPresentation::timeText(entry.time()));
}
