#pragma once

#include "exprnode.h"

namespace mirt::expr {

// A name the context declared a variable while parsing; its value is asked
// for anew at every evaluation.
class ExprVariable final : public ExprNode
{
public:
    ExprVariable(Expr *owner, const QString &name);

    QVariant evaluate(ExprContext &ctx) const override;
    QString toString() const override;
    void getVariables(QStringList &names) const override;

    QString name;
};

} // namespace mirt::expr
