#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringMatcher>
#include <QVector>

#include <memory>
#include <vector>

class LogFileEntry;

// Finds a text in the cells of entry rows: plainly or as a regular
// expression, with or without letter case. Const and shared by the threads
// that count the matches of a file; each thread keeps its own Scratch.
class RowMatcher final
{
public:
    RowMatcher(const QString &text, bool caseSensitive, bool regularExpression);

    bool isValid() const { return valid; }
    bool isEmpty() const { return pattern.isEmpty(); }

    // The places where the text occurs in `cell`: start and length each.
    QVector<QPair<int, int>> find(const QString &cell) const;
    bool occursIn(const QString &cell) const;
    // Whether the text occurs in any of the six cells of the row of `entry`.
    bool matches(const LogFileEntry &entry) const;

private:
    QString pattern;
    Qt::CaseSensitivity sensitivity;
    bool regular;
    bool valid = true;
    QStringMatcher matcher;
    QRegularExpression expression;
    // Only a text of digits and the like can occur in a time or an action
    // number, which are then formatted only for such texts.
    bool numeric = false;
    bool digits = false;
};
