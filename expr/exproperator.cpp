#include "exproperator.h"

#include <QVarLengthArray>

#include <climits>
#include <cmath>

namespace mirt::expr {

namespace {

// The classes an operand pair can fall into. The tests are on the exact
// stored type, except the numeric one, which accepts anything QVariant can
// turn into a double (strings, booleans and unsigned integers included).
bool isStringPair(const QVariant &l, const QVariant &r)
{
    return l.type() == QVariant::String && r.type() == QVariant::String;
}

bool isIntegerPair(const QVariant &l, const QVariant &r)
{
    return l.type() == QVariant::Int && r.type() == QVariant::Int;
}

bool isNumericPair(const QVariant &l, const QVariant &r)
{
    return l.canConvert(QVariant::Double) && r.canConvert(QVariant::Double);
}

bool isBooleanPair(const QVariant &l, const QVariant &r)
{
    return l.type() == QVariant::Bool && r.type() == QVariant::Bool;
}

// Integer arithmetic wraps modulo 2^32. Doing it on unsigned values keeps
// it well defined; the conversion back is two's complement.
int wrap(std::uint32_t value)
{
    return static_cast<int>(static_cast<std::int32_t>(value));
}

QVariant integerArithmetic(ExprOperator::OperatorType op, int l, int r)
{
    const auto ul = static_cast<std::uint32_t>(l);
    const auto ur = static_cast<std::uint32_t>(r);
    switch (op) {
    case ExprOperator::Plus:
        return wrap(ul + ur);
    case ExprOperator::Minus:
        return wrap(ul - ur);
    case ExprOperator::Times:
        return wrap(ul * ur);
    case ExprOperator::Divide:
        // Neither has an integer answer; empty makes the row not match
        // instead of stopping the program.
        if (r == 0 || (l == INT_MIN && r == -1))
            return {};
        return l / r;
    default:
        return {};
    }
}

QVariant doubleArithmetic(ExprOperator::OperatorType op, double l, double r)
{
    switch (op) {
    case ExprOperator::Plus:
        return l + r;
    case ExprOperator::Minus:
        return l - r;
    case ExprOperator::Times:
        return l * r;
    case ExprOperator::Divide:
        return l / r;
    default:
        return {};
    }
}

QVariant arithmetic(ExprOperator::OperatorType op, const QVariant &l, const QVariant &r)
{
    if (op == ExprOperator::Plus && isStringPair(l, r))
        return l.toString() + r.toString();
    if (isIntegerPair(l, r))
        return integerArithmetic(op, l.toInt(), r.toInt());
    if (isNumericPair(l, r))
        return doubleArithmetic(op, l.toDouble(), r.toDouble());
    return {};
}

template<typename T>
QVariant orderedComparison(ExprOperator::OperatorType op, const T &l, const T &r)
{
    // Written with < and == only so strings, ints and doubles share it; for
    // doubles every form is false when a NaN takes part.
    switch (op) {
    case ExprOperator::LessThan:
        return l < r;
    case ExprOperator::GreaterThan:
        return r < l;
    case ExprOperator::Equal:
        return l == r;
    case ExprOperator::NotEqual:
        return !(l == r);
    case ExprOperator::GreaterEqual:
        return !(l < r);
    case ExprOperator::LessEqual:
        return !(r < l);
    default:
        return {};
    }
}

QVariant numericComparison(ExprOperator::OperatorType op, double l, double r)
{
    // Both tolerance bounds are strict, so values exactly the tolerance
    // apart are neither equal nor unequal.
    const double distance = std::fabs(l - r);
    switch (op) {
    case ExprOperator::LessThan:
        return l < r;
    case ExprOperator::GreaterThan:
        return l > r;
    case ExprOperator::Equal:
        return distance < ExprOperator::tolerance;
    case ExprOperator::NotEqual:
        return distance > ExprOperator::tolerance;
    case ExprOperator::GreaterEqual:
        return l >= r;
    case ExprOperator::LessEqual:
        return l <= r;
    default:
        return {};
    }
}

QVariant comparison(ExprOperator::OperatorType op, const QVariant &l, const QVariant &r)
{
    if (isStringPair(l, r))
        return orderedComparison(op, l.toString(), r.toString());
    if (isIntegerPair(l, r)) {
        // The negated forms are the same as the direct ones for ints.
        return orderedComparison(op, l.toInt(), r.toInt());
    }
    if (isNumericPair(l, r))
        return numericComparison(op, l.toDouble(), r.toDouble());
    return {};
}

QVariant logic(ExprOperator::OperatorType op, const QVariant &l, const QVariant &r)
{
    if (!isBooleanPair(l, r))
        return {};
    const bool a = l.toBool();
    const bool b = r.toBool();
    return op == ExprOperator::And ? (a && b) : (a || b);
}

} // namespace

ExprOperator::ExprOperator(Expr *owner, OperatorType op)
    : ExprNode(owner)
    , op(op)
{
}

ExprOperator::~ExprOperator()
{
    // Take apart the operator subtrees this node alone holds, so releasing a
    // long chain does not recurse once per link.
    std::vector<std::shared_ptr<ExprNode>> pending = std::move(operands);
    while (!pending.empty()) {
        std::shared_ptr<ExprNode> node = std::move(pending.back());
        pending.pop_back();
        if (node.use_count() != 1)
            continue;
        if (auto *inner = dynamic_cast<ExprOperator *>(node.get())) {
            for (auto &operand : inner->operands)
                pending.push_back(std::move(operand));
            inner->operands.clear();
        }
    }
}

namespace {

// The chain of left operands that are operators themselves, starting with
// `top`; the last entry is the first whose left operand is something else.
using Spine = QVarLengthArray<const ExprOperator *, 16>;

Spine leftSpine(const ExprOperator *top)
{
    Spine spine;
    spine.append(top);
    for (;;) {
        const ExprOperator *node = spine.last();
        if (node->operands.empty())
            break;
        const ExprNode *front = node->operands.front().get();
        const ExprOperator *inner = front ? front->asOperator() : nullptr;
        if (!inner)
            break;
        spine.append(inner);
    }
    return spine;
}

} // namespace

QVariant ExprOperator::evaluate(ExprContext &ctx) const
{
    // Every operand is evaluated, in order: And and Or do not short-circuit,
    // so functions with side effects in a context always run.
    const Spine spine = leftSpine(this);
    QVariant result;
    for (int level = spine.size() - 1; level >= 0; --level) {
        const auto &nodeOperands = spine[level]->operands;
        if (nodeOperands.empty()) {
            result = QVariant();
            continue;
        }
        // At the bottom the first operand is no operator; above it, the
        // first operand is the level below, whose value is in `result`.
        if (level == spine.size() - 1)
            result = nodeOperands.front() ? nodeOperands.front()->evaluate(ctx) : QVariant();
        for (std::size_t i = 1; i < nodeOperands.size(); ++i) {
            const QVariant value = nodeOperands[i] ? nodeOperands[i]->evaluate(ctx) : QVariant();
            result = apply(spine[level]->op, result, value);
        }
    }
    return result;
}

QString ExprOperator::toString() const
{
    const Spine spine = leftSpine(this);
    QString text;
    for (int level = spine.size() - 1; level >= 0; --level) {
        const auto &nodeOperands = spine[level]->operands;
        if (nodeOperands.empty()) {
            text.clear();
            continue;
        }
        if (level == spine.size() - 1 && nodeOperands.front())
            text = nodeOperands.front()->toString();
        const QString separator = QLatin1Char(' ') + token(spine[level]->op) + QLatin1Char(' ');
        for (std::size_t i = 1; i < nodeOperands.size(); ++i) {
            text += separator;
            if (nodeOperands[i])
                text += nodeOperands[i]->toString();
        }
    }
    return text;
}

void ExprOperator::getVariables(QStringList &names) const
{
    // Depth first, left to right: the bottom of the chain comes first.
    const Spine spine = leftSpine(this);
    for (int level = spine.size() - 1; level >= 0; --level) {
        const auto &nodeOperands = spine[level]->operands;
        const std::size_t first = level == spine.size() - 1 ? 0 : 1;
        for (std::size_t i = first; i < nodeOperands.size(); ++i) {
            if (nodeOperands[i])
                nodeOperands[i]->getVariables(names);
        }
    }
}

int ExprOperator::precedence() const
{
    return precedenceOf(op);
}

int ExprOperator::precedenceOf(OperatorType op)
{
    switch (op) {
    case Times:
    case Divide:
        return 3;
    case Plus:
    case Minus:
        return 4;
    case LessThan:
    case GreaterThan:
    case GreaterEqual:
    case LessEqual:
        return 6;
    case Equal:
    case NotEqual:
        return 7;
    // Or binds tighter than And, the reverse of C: a && b || c reads as
    // a && (b || c). Filters people already type rely on this.
    case Or:
        return 11;
    case And:
        return 12;
    }
    return 0;
}

QString ExprOperator::token(OperatorType op)
{
    switch (op) {
    case Plus: return QStringLiteral("+");
    case Minus: return QStringLiteral("-");
    case Times: return QStringLiteral("*");
    case Divide: return QStringLiteral("/");
    case LessThan: return QStringLiteral("<");
    case GreaterThan: return QStringLiteral(">");
    case Equal: return QStringLiteral("==");
    case NotEqual: return QStringLiteral("!=");
    case GreaterEqual: return QStringLiteral(">=");
    case LessEqual: return QStringLiteral("<=");
    case And: return QStringLiteral("&&");
    case Or: return QStringLiteral("||");
    }
    return {};
}

QVariant ExprOperator::apply(OperatorType op, const QVariant &left, const QVariant &right)
{
    switch (op) {
    case Plus:
    case Minus:
    case Times:
    case Divide:
        return arithmetic(op, left, right);
    case LessThan:
    case GreaterThan:
    case Equal:
    case NotEqual:
    case GreaterEqual:
    case LessEqual:
        return comparison(op, left, right);
    case And:
    case Or:
        return logic(op, left, right);
    }
    return {};
}

} // namespace mirt::expr
