#include "exprcontext.h"

#include "exprnode.h"

namespace mirt::expr {

ExprContext::~ExprContext() = default;

bool ExprContext::isVariable(const QString &)
{
    return false;
}

QVariant ExprContext::getVariable(const QString &)
{
    return {};
}

bool ExprContext::isFunction(const QString &)
{
    return false;
}

QVariant ExprContext::evalFunction(const QString &, std::vector<std::shared_ptr<ExprNode>> args)
{
    // Release the references right away rather than at scope end, so even
    // this default never keeps a node alive longer than needed.
    args.clear();
    return {};
}

} // namespace mirt::expr
