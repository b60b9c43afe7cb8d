#include "rowmatcher.h"

#include "entrypresentation.h"
#include "logfileentry.h"
#include "robotaction.h"

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
    }
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

bool RowMatcher::matches(const LogFileEntry &entry) const
{
    const RobotAction *action = entry.action();
    if (occursIn(action ? EntryPresentation::actionText(*action) : entry.message()))
        return true;
    if (occursIn(entry.subsystem()) || occursIn(EntryPresentation::typeName(entry.type())))
        return true;
    if (action && (occursIn(EntryPresentation::activityName(entry.activity()))
                   || (digits && occursIn(QString::number(action->id())))))
        return true;
    return numeric && occursIn(EntryPresentation::timeText(entry.time()));
}
