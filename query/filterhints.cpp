#include "filterhints.h"

#include "exprconst.h"
#include "exprfunction.h"
#include "exproperator.h"
#include "exprvariable.h"

#include <QStringList>

using namespace mirt::expr;

namespace filterhints {

namespace {

bool isLogical(const ExprOperator *op)
{
    return op && (op->op == ExprOperator::And || op->op == ExprOperator::Or);
}

// Whether a logical operator has an operand of the other logical kind that
// the text did not put in parentheses. Bounded by the text's length, as the
// recursion is.
bool mixesUnparenthesized(const ExprNode *node)
{
    const ExprOperator *op = node ? node->asOperator() : nullptr;
    if (op) {
        for (const auto &operand : op->operands) {
            const ExprOperator *inner = operand ? operand->asOperator() : nullptr;
            if (isLogical(op) && isLogical(inner) && inner->op != op->op && !operand->parenthesized)
                return true;
            if (mixesUnparenthesized(operand.get()))
                return true;
        }
        return false;
    }
    if (const auto *function = dynamic_cast<const ExprFunction *>(node)) {
        for (const auto &argument : function->args) {
            if (mixesUnparenthesized(argument.get()))
                return true;
        }
    }
    return false;
}

QString render(const ExprNode *node)
{
    if (!node)
        return QString();
    if (const ExprOperator *op = node->asOperator()) {
        QStringList parts;
        for (const auto &operand : op->operands)
            parts << render(operand.get());
        return QLatin1Char('(') + parts.join(QLatin1Char(' ') + ExprOperator::token(op->op) + QLatin1Char(' '))
            + QLatin1Char(')');
    }
    if (const auto *constant = dynamic_cast<const ExprConst *>(node)) {
        if (constant->value.type() == QVariant::String)
            return QLatin1Char('"') + constant->value.toString() + QLatin1Char('"');
        return constant->toString();
    }
    if (const auto *function = dynamic_cast<const ExprFunction *>(node)) {
        QStringList arguments;
        for (const auto &argument : function->args)
            arguments << render(argument.get());
        return function->name + QLatin1Char('(') + arguments.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    return node->toString();
}

QString firstCapital(const ExprNode *node, bool compared)
{
    if (!node)
        return QString();
    if (const ExprOperator *op = node->asOperator()) {
        const bool comparing = op->op == ExprOperator::Equal || op->op == ExprOperator::NotEqual;
        for (const auto &operand : op->operands) {
            const QString found = firstCapital(operand.get(), comparing);
            if (!found.isEmpty())
                return found;
        }
        return QString();
    }
    if (const auto *function = dynamic_cast<const ExprFunction *>(node)) {
        const bool comparing = function->name == QLatin1String("contains");
        for (const auto &argument : function->args) {
            const QString found = firstCapital(argument.get(), comparing);
            if (!found.isEmpty())
                return found;
        }
        return QString();
    }
    const auto *constant = dynamic_cast<const ExprConst *>(node);
    if (!compared || !constant || constant->value.type() != QVariant::String)
        return QString();
    const QString text = constant->value.toString();
    return text != text.toLower() ? text : QString();
}

} // namespace

QString grouping(const ExprNode *root, int textLength)
{
    if (!root || textLength > maxLength || !mixesUnparenthesized(root))
        return QString();
    QString text = render(root);
    // The outermost pair says nothing.
    if (text.startsWith(QLatin1Char('(')) && text.endsWith(QLatin1Char(')')) && root->asOperator())
        text = text.mid(1, text.size() - 2);
    return text;
}

QString capitalLiteral(const ExprNode *root, int textLength)
{
    return textLength > maxLength ? QString() : firstCapital(root, false);
}

} // namespace filterhints
