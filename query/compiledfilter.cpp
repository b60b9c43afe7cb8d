#include "compiledfilter.h"

#include "exprvalue.h"
#include "filterhints.h"

std::shared_ptr<const CompiledFilter> CompiledFilter::compile(const QString &text)
{
    std::shared_ptr<CompiledFilter> filter(new CompiledFilter);
    filter->source = text;
    if (text.isEmpty())
        return filter;
    EntryExprContext context;
    QString error;
    int stopped = 0;
    filter->valid = filter->expression.parse(context, text, error, stopped);
    if (filter->valid) {
        filter->groups = filterhints::grouping(filter->expression.root.get(), text.size());
        filter->capital = filterhints::capitalLiteral(filter->expression.root.get(), text.size());
        return filter;
    }
    filter->position = stopped;
    if (error.isEmpty()) {
        // Some steps of the parser fail without a word; the user still
        // learns what was expected, and where.
        error = QStringLiteral("expected a value at position %1").arg(stopped + 1);
        if (stopped < text.size())
            error += QStringLiteral(", got '") + text.at(stopped) + QLatin1Char('\'');
    }
    filter->message = error;
    return filter;
}

FilterJudge::FilterJudge(const std::shared_ptr<const CompiledFilter> &filter, const QStringList &sources,
                         std::shared_ptr<const LineMarks> marks)
    : all(filter->isEmpty())
    , none(!filter->isValid())
{
    context.setSources(sources);
    context.setMarks(std::move(marks));
    QString error;
    if (!all && !none)
        none = !tree.parse(context, filter->text(), error);
}

bool FilterJudge::keeps(const LogFileEntry &record, qint64 line)
{
    if (all || none)
        return all;
    context.setRecord(&record, line);
    return mirt::expr::isTrue(tree.evaluate(context));
}
