#pragma once

#include "entryexprcontext.h"
#include "expr.h"

#include <QString>

#include <memory>

class LogFileEntry;

// A filter text parsed once, with what the parser said of it. The window
// compiles what the user typed and hands the result down: the viewer, each
// worker of a filter pass and the judging of followed rows all share the
// one tree, each with a context of its own. An empty text keeps every
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

    // Whether the filter keeps `record`, evaluated through `context`, which
    // belongs to the calling thread.
    bool keeps(EntryExprContext &context, const LogFileEntry &record) const;

private:
    CompiledFilter() = default;

    QString source;
    mirt::expr::Expr expression;
    bool valid = true;
    QString message;
    int position = 0;
};

// A compiled filter with a context of its own, for judging records one by
// one on one thread.
class FilterJudge final
{
public:
    explicit FilterJudge(std::shared_ptr<const CompiledFilter> filter);
    Q_DISABLE_COPY_MOVE(FilterJudge)

    bool keeps(const LogFileEntry &record) { return filter->keeps(context, record); }

private:
    std::shared_ptr<const CompiledFilter> filter;
    EntryExprContext context;
};
