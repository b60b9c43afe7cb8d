#include "exprvariable.h"

#include "exprcontext.h"

namespace mirt::expr {

ExprVariable::ExprVariable(Expr *owner, const QString &name)
    : ExprNode(owner)
    , name(name)
{
}

QVariant ExprVariable::evaluate(ExprContext &ctx) const
{
    // The name goes out exactly as typed; case folding is the context's call.
    return ctx.getVariable(name);
}

QString ExprVariable::toString() const
{
    return name;
}

void ExprVariable::getVariables(QStringList &names) const
{
    if (!names.contains(name, Qt::CaseSensitive))
        names.append(name);
}

} // namespace mirt::expr
