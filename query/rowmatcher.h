#pragma once

#include "plaintextfinder.h"

#include <array>

#include <QRegularExpression>
#include <QString>
#include <QStringMatcher>
#include <QVector>

#include <memory>
#include <vector>

class LogFileEntry;
class RobotAction;

// Finds a text in the cells of entry rows: plainly or as a regular
// expression, with or without letter case. Const and shared by the threads
// that count the matches of a file.
//
// A regular expression's work on one cell is bounded (a match limit), so
// that one that backtracks without end, such as (a+)+$ on a long run of a's,
// costs a row a fraction of a millisecond instead of seconds: a row on which
// it gives up counts as not matching. Marking matches in a painted cell has
// a tighter bound.
class RowMatcher final
{
public:
    RowMatcher(const QString &text, bool caseSensitive, bool regularExpression);

    bool isValid() const { return valid; }
    bool isEmpty() const { return pattern.isEmpty(); }
    bool isRegularExpression() const { return regular; }

    // Backtracking steps one cell may take when counting, and when marking.
    static constexpr int countingMatchLimit = 500000;
    static constexpr int markingMatchLimit = 20000;

    // The places where the text occurs in `cell`: start and length each.
    QVector<QPair<int, int>> find(const QString &cell) const;
    bool occursIn(const QString &cell) const;
    // What one thread found in the cells many rows share (a subsystem's
    // name, an action's text), so that a scan of many rows looks at each of
    // those once, or nearly so.
    class Memo final
    {
    public:
        Memo() = default;

    private:
        friend class RowMatcher;
        static constexpr int actionSlots = 512;
        const QChar *subsystem = nullptr;
        bool inSubsystem = false;
        std::array<const RobotAction *, actionSlots> actions{};
        std::array<bool, actionSlots> inAction{};
    };

    // Whether the text occurs in any of the six cells of the row of `entry`.
    bool matches(const LogFileEntry &entry) const;
    bool matches(const LogFileEntry &entry, Memo &memo) const;

    // Cells a row shows beyond those six (rowmatcherextra.cpp): its line in
    // its file, and its clock time from a time origin. Set before the
    // matcher is shared.
    void setLineCells(bool on) { lineCells = on; }
    void setClockCells(bool on, qint64 originMsecs);
    bool hasExtraCells() const { return lineCells || clockCells; }
    // Whether the text occurs in the Line cell `line` or the Clock cell of
    // `time`, of those set.
    bool matchesExtraCells(qint64 line, double time) const;
    const QString &text() const { return pattern; }
    bool isCaseSensitive() const { return sensitivity == Qt::CaseSensitive; }

private:
    QString pattern;
    Qt::CaseSensitivity sensitivity;
    bool regular;
    bool valid = true;
    QStringMatcher matcher;
    // The same text, searched in the characters as a record keeps them.
    PlainTextFinder plain;
    // Whether the text occurs in each type's and each activity's name.
    std::array<bool, 5> inTypeName{};
    std::array<bool, 4> inActivityName{};
    bool occursInMessage(const LogFileEntry &entry) const;
    // Without a memo, every cell is looked at.
    bool matchesWith(const LogFileEntry &entry, Memo *memo) const;
    bool occursInAction(const RobotAction &action, Memo *memo) const;
    bool occursInSubsystem(const QString &subsystem, Memo *memo) const;
    bool occursInPlain(QStringView cell) const;
    bool occursInDigits(const char *text, int size) const;
    QRegularExpression expression;
    QRegularExpression marking;
    // Only a text of digits and the like can occur in a time or an action
    // number, which are then formatted only for such texts.
    bool numeric = false;
    bool digits = false;
    bool lineCells = false;
    bool clockCells = false;
    // Only a text of digits and clock punctuation can occur in a clock time.
    bool clockLike = false;
    qint64 clockOrigin = 0;
};
