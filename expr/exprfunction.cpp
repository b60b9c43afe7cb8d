#include "exprfunction.h"

#include "exprcontext.h"

namespace mirt::expr {

ExprFunction::ExprFunction(Expr *owner, const QString &name,
                           const std::vector<std::shared_ptr<ExprNode>> &args)
    : ExprNode(owner)
    , name(name)
    , args(args)
{
}

QVariant ExprFunction::evaluate(ExprContext &ctx) const
{
    // evalFunction takes its list by value, so this hands over a copy that
    // lives only for the duration of the call.
    return ctx.evalFunction(name, args);
}

QString ExprFunction::toString() const
{
    QStringList parts;
    for (const auto &arg : args)
        parts.append(arg ? arg->toString() : QString());
    return name + QLatin1Char('(') + parts.join(QLatin1String(", ")) + QLatin1Char(')');
}

void ExprFunction::getVariables(QStringList &names) const
{
    for (const auto &arg : args) {
        if (arg)
            arg->getVariables(names);
    }
}

} // namespace mirt::expr
