#pragma once

#include "exprnode.h"

#include <memory>
#include <vector>

namespace mirt::expr {

// A call of a function the context provides. The arguments stay
// unevaluated: the context decides what to evaluate, and how often.
class ExprFunction final : public ExprNode
{
public:
    ExprFunction(Expr *owner, const QString &name, const std::vector<std::shared_ptr<ExprNode>> &args);

    QVariant evaluate(ExprContext &ctx) const override;
    QString toString() const override;
    void getVariables(QStringList &names) const override;

    QString name;
    std::vector<std::shared_ptr<ExprNode>> args;
};

} // namespace mirt::expr
