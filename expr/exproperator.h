#pragma once

#include "exprnode.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace mirt::expr {

// An infix operator. The parser gives it exactly two operands, left then
// right; evaluation folds any number of them from the left.
//
// Operators of one level group from the left, so a long chain such as
// "1 + 1 + ... + 1" is as deep as it is long. Evaluation, text form,
// variable collection and destruction therefore walk the chain of left
// operands in a loop instead of recursing into it; only right operands and
// function arguments recurse, and the parser bounds their depth.
class ExprOperator final : public ExprNode
{
public:
    // The values are fixed: they are part of the language's definition.
    enum OperatorType : std::int32_t {
        Plus = 0,
        Minus = 1,
        Times = 2,
        Divide = 3,
        LessThan = 4,
        GreaterThan = 5,
        Equal = 6,
        NotEqual = 7,
        GreaterEqual = 8,
        LessEqual = 9,
        And = 10,
        Or = 11,
    };

    // Absolute tolerance of Equal and NotEqual on numbers: times in the logs
    // carry three decimals, so closer values count as the same.
    static constexpr double tolerance = 0.001;

    ExprOperator(Expr *owner, OperatorType op);
    ~ExprOperator() override;

    QVariant evaluate(ExprContext &ctx) const override;
    QString toString() const override;
    void getVariables(QStringList &names) const override;
    const ExprOperator *asOperator() const override { return this; }

    // Lower binds tighter; 0 for a value outside the enumeration.
    int precedence() const;
    static int precedenceOf(OperatorType op);
    // The operator as written, e.g. "&&"; empty for an unknown value.
    static QString token(OperatorType op);
    // One step of the fold: `op` applied to (left, right). The empty value
    // stands for "not supported" and carries through every operator.
    static QVariant apply(OperatorType op, const QVariant &left, const QVariant &right);

    OperatorType op;
    std::vector<std::shared_ptr<ExprNode>> operands;
};

} // namespace mirt::expr
