#pragma once

#include "exprnode.h"

namespace mirt::expr {

// A literal: a number, a quoted string or one of the boolean words.
class ExprConst final : public ExprNode
{
public:
    ExprConst(Expr *owner, const QVariant &value);

    QVariant evaluate(ExprContext &ctx) const override;
    QString toString() const override;
    void getVariables(QStringList &names) const override;

    QVariant value;
};

} // namespace mirt::expr
