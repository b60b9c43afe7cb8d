#pragma once

#include "entryexprcontext.h"
#include "expr.h"

#include <QString>

#include <memory>

class LogFileEntry;

// A filter text parsed once, with what the parser said of it. The window
// compiles what the user typed and hands the result down to the viewer, its
// filter passes and the judging of followed rows. An empty text keeps every
// record; a text that does not parse keeps none.
class CompiledFilter final
{
public:
    static std::shared_ptr<const CompiledFilter> compile(const QString &text);
    Q_DISABLE_COPY_MOVE(CompiledFilter)

    const QString &text() const { return source; }
    bool isEmpty() const { return source.isEmpty(); }
    bool isValid() const { return valid; }
    // Why the text does not parse: the parser's message, or where it stopped
    // when its failing step has none ("expected a value at position 3, got
    // ')'"). Empty for a valid filter.
    const QString &error() const { return message; }
    // Where the parse stopped, from 0.
    int errorPosition() const { return position; }
    // How the expression groups, fully parenthesised, when `&&` and `||`
    // meet in it without parentheses; empty otherwise.
    const QString &grouping() const { return groups; }
    // A string it compares that has capitals, which no value has: values
    // are in small letters. Empty when there is none.
    const QString &capitalLiteral() const { return capital; }

private:
    friend class FilterJudge;

    CompiledFilter() = default;

    QString source;
    mirt::expr::Expr expression;
    bool valid = true;
    QString message;
    int position = 0;
    QString groups;
    QString capital;
};

// A compiled filter as one thread judges with it, record by record: with a
// context and a tree of its own. Threads that shared one tree would count
// references to its nodes and constants at every evaluation, on the same
// memory, and slow each other down; the copy is made from the text that is
// known to parse.
class FilterJudge final
{
public:
    // `sources` are the short names of the files the records come from,
    // by the records' source (LogFile::sourceNames()).
    // `marks` are the lines `bookmarked` is true for; none marks nothing.
    explicit FilterJudge(const std::shared_ptr<const CompiledFilter> &filter, const QStringList &sources = {},
                         std::shared_ptr<const LineMarks> marks = {});
    Q_DISABLE_COPY_MOVE(FilterJudge)

    // Whether the filter keeps `record`, whose record line is line `line`
    // of its file (LogFile::lineOf; 0 when unknown).
    bool keeps(const LogFileEntry &record, qint64 line = 0);

private:
    EntryExprContext context;
    mirt::expr::Expr tree;
    bool all = false;
    bool none = false;
};
