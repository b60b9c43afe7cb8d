#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

namespace mirt::expr {

class Expr;
class ExprContext;
class ExprOperator;

// Base of every node of a parsed filter expression. Nodes are shared through
// std::shared_ptr and never change after the parser has built them, hence
// the const operations.
class ExprNode
{
public:
    explicit ExprNode(Expr *owner);
    virtual ~ExprNode();

    ExprNode(const ExprNode &) = delete;
    ExprNode &operator=(const ExprNode &) = delete;

    virtual QVariant evaluate(ExprContext &ctx) const = 0;
    virtual QString toString() const = 0;
    // Appends each variable name of the subtree that `names` does not hold
    // yet, depth first and left to right.
    virtual void getVariables(QStringList &names) const = 0;

    // This node as an operator, or null. Lets operator chains be walked
    // without a dynamic_cast per node on every evaluation.
    virtual const ExprOperator *asOperator() const { return nullptr; }

    // The expression that built this node; not owned, and not needed for
    // evaluation.
    Expr *owner;
    // Whether the text wrote this node in parentheses of its own, which
    // make no node: tools that show how an expression groups look at it.
    bool parenthesized = false;
};

} // namespace mirt::expr
