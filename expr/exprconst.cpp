#include "exprconst.h"

namespace mirt::expr {

ExprConst::ExprConst(Expr *owner, const QVariant &value)
    : ExprNode(owner)
    , value(value)
{
}

QVariant ExprConst::evaluate(ExprContext &) const
{
    return value;
}

QString ExprConst::toString() const
{
    // Strings come out without their quotes; doubles in their shortest
    // round-trip form.
    return value.toString();
}

void ExprConst::getVariables(QStringList &) const
{
}

} // namespace mirt::expr
