#include "exprnode.h"

namespace mirt::expr {

ExprNode::ExprNode(Expr *owner)
    : owner(owner)
{
}

ExprNode::~ExprNode() = default;

} // namespace mirt::expr
