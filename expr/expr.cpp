#include "expr.h"

#include "exprconst.h"
#include "exprcontext.h"
#include "exprfunction.h"
#include "exproperator.h"
#include "exprvariable.h"

#include <QRegExp>

#include <cstring>

namespace mirt::expr {

namespace {

const QString nestingError = QStringLiteral("expression nested too deeply");

QString expectedOperatorError(QChar c)
{
    return QStringLiteral("expected operator, got '") + c + QLatin1Char('\'');
}

} // namespace

Expr::Expr() = default;

Expr::~Expr() = default;

bool Expr::parse(ExprContext &context, const QString &text, QString &error)
{
    int position = 0;
    return parse(context, text, error, position);
}

bool Expr::parse(ExprContext &context, const QString &text, QString &error, int &errorPosition)
{
    // Drop the old tree first, so a failed parse never leaves it in place.
    root.reset();
    int cursor = 0;
    auto node = parseExpression(context, text, cursor, error, 0);
    errorPosition = cursor;
    if (!node)
        return false;
    // The expression level stops at the first character that is no operator.
    // Accepting the text before it would silently filter by half of what the
    // user typed (for instance "time = 5" as just "time"), so refuse it.
    skipSpaces(text, cursor);
    if (cursor < text.size()) {
        errorPosition = cursor;
        error = expectedOperatorError(text.at(cursor));
        return false;
    }
    root = std::move(node);
    return true;
}

QVariant Expr::evaluate(ExprContext &ctx) const
{
    return root ? root->evaluate(ctx) : QVariant();
}

// Operands and operators are combined by precedence with two stacks; each
// nested run (parenthesis, argument) has its own pair.
std::shared_ptr<ExprNode> Expr::parseExpression(ExprContext &context, const QString &text, int &cursor,
                                                QString &error, int depth)
{
    // No whitespace is skipped first: blanks alone get the operand message.
    if (cursor >= text.size()) {
        error = QStringLiteral("unexpected end of string");
        return {};
    }

    NodeStack operands;
    OperatorStack operators;

    auto operand = parseOperand(context, text, cursor, error, depth);
    if (!operand)
        return {};
    operands.push_back(std::move(operand));

    auto op = parseOperator(context, text, cursor, error);
    if (!op) {
        // Running out of operators ends an expression normally.
        error.clear();
        return operands.back();
    }
    operators.push_back(std::move(op));

    for (;;) {
        operand = parseOperand(context, text, cursor, error, depth);
        if (!operand)
            return {};
        operands.push_back(std::move(operand));

        op = parseOperator(context, text, cursor, error);
        if (!op) {
            while (!operators.empty()) {
                if (!reduceTop(operands, operators))
                    return {};
            }
            error.clear();
            return operands.back();
        }
        // Equal levels reduce first, so operators of one level group from
        // the left.
        while (!operators.empty() && op->precedence() >= operators.back()->precedence()) {
            if (!reduceTop(operands, operators))
                return {};
        }
        operators.push_back(std::move(op));
    }
}

bool Expr::reduceTop(NodeStack &operands, OperatorStack &operators)
{
    // The expression level always pushes one more operand than operators,
    // so this never fails; the check keeps a slip from becoming a crash.
    if (operators.empty() || operands.size() < 2)
        return false;
    auto op = std::move(operators.back());
    operators.pop_back();
    auto right = std::move(operands.back());
    operands.pop_back();
    auto left = std::move(operands.back());
    operands.pop_back();
    op->operands.insert(op->operands.begin(), std::move(right));
    op->operands.insert(op->operands.begin(), std::move(left));
    operands.push_back(std::move(op));
    return true;
}

std::shared_ptr<ExprOperator> Expr::parseOperator(ExprContext &, const QString &text, int &cursor,
                                                  QString &error)
{
    struct Token
    {
        const char *text;
        ExprOperator::OperatorType op;
    };
    // Two-character tokens first, so "<=" is not read as "<".
    static const Token twoChar[] = {
        {"==", ExprOperator::Equal},        {"!=", ExprOperator::NotEqual},
        {">=", ExprOperator::GreaterEqual}, {"<=", ExprOperator::LessEqual},
        {"&&", ExprOperator::And},          {"||", ExprOperator::Or},
    };
    static const Token oneChar[] = {
        {"+", ExprOperator::Plus},     {"-", ExprOperator::Minus},
        {"*", ExprOperator::Times},    {"/", ExprOperator::Divide},
        {"<", ExprOperator::LessThan}, {">", ExprOperator::GreaterThan},
    };

    skipSpaces(text, cursor);
    if (cursor >= text.size()) {
        error = QStringLiteral("end of text searching for operator");
        return {};
    }
    if (text.size() - cursor >= 2) {
        const QStringRef pair = text.midRef(cursor, 2);
        for (const Token &token : twoChar) {
            if (pair == QLatin1String(token.text)) {
                cursor += 2;
                return std::make_shared<ExprOperator>(this, token.op);
            }
        }
    }
    const QChar c = text.at(cursor);
    for (const Token &token : oneChar) {
        if (c == QLatin1Char(token.text[0])) {
            cursor += 1;
            return std::make_shared<ExprOperator>(this, token.op);
        }
    }
    error = expectedOperatorError(c);
    return {};
}

std::shared_ptr<ExprNode> Expr::parseOperand(ExprContext &context, const QString &text, int &cursor,
                                             QString &error, int depth)
{
    skipSpaces(text, cursor);
    if (cursor >= text.size()) {
        error = QStringLiteral("end of text searching for operand");
        return {};
    }
    const QChar c = text.at(cursor);
    if (c == QLatin1Char('('))
        return parseParenthesis(context, text, cursor, error, depth);
    // A sign belongs to the number: the language has no unary operators.
    if (c == QLatin1Char('+') || c == QLatin1Char('-') || c.isDigit())
        return parseNumber(text, cursor, error);
    if (c.isLetter() || c == QLatin1Char('_'))
        return parseName(context, text, cursor, error, depth);
    if (c == QLatin1Char('"'))
        return parseString(text, cursor, error);
    // Anything else fails without a message; the cursor stays on it.
    return {};
}

std::shared_ptr<ExprNode> Expr::parseParenthesis(ExprContext &context, const QString &text, int &cursor,
                                                 QString &error, int depth)
{
    if (depth >= maxNesting) {
        error = nestingError;
        return {};
    }
    ++cursor;
    auto inner = parseExpression(context, text, cursor, error, depth + 1);
    if (!inner)
        return {};
    skipSpaces(text, cursor);
    if (cursor >= text.size()) {
        error = QStringLiteral("end of string while expected ')' character");
        return {};
    }
    const QChar c = text.at(cursor);
    if (c != QLatin1Char(')')) {
        // The missing blank in "expectedin" is part of the established text.
        error = QStringLiteral("got '") + c + QStringLiteral("' while expectedin ')'");
        return {};
    }
    ++cursor;
    inner->parenthesized = true;
    return inner;
}

std::shared_ptr<ExprNode> Expr::parseNumber(const QString &text, int &cursor, QString &error)
{
    // When the rest of the text holds more than the number, exactMatch fails
    // but matchedLength() still tells how far the pattern got, which is the
    // length of the number in front. That can end on a point ("1.x" reads
    // "1.") or an exponent letter ("1ex" reads "1e" and is refused below).
    QRegExp pattern(QStringLiteral("^[-+]?[0-9]*\\.?[0-9]+([eE][-+]?[0-9]+)?"), Qt::CaseSensitive,
                    QRegExp::RegExp);
    // The pattern can only ever consume text of the form sign, digits and
    // points, then an exponent letter, sign and digits. Handing it the
    // longest such run plus the one character that stops it gives the same
    // answer as the whole rest, without copying the rest of a long text for
    // every number in it.
    auto at = [&text](int i, const char *set) {
        if (i >= text.size())
            return false;
        const ushort u = text.at(i).unicode();
        return u != 0 && u < 128 && std::strchr(set, static_cast<char>(u)) != nullptr;
    };
    int end = cursor;
    if (at(end, "+-"))
        ++end;
    while (at(end, "0123456789."))
        ++end;
    if (at(end, "eE")) {
        ++end;
        if (at(end, "+-"))
            ++end;
        while (at(end, "0123456789"))
            ++end;
    }
    pattern.exactMatch(text.mid(cursor, end - cursor + 1));
    const int length = pattern.matchedLength();
    if (length < 1) {
        // Digits of other scripts pass QChar::isDigit but not the pattern.
        error = QStringLiteral("invalid integer or floating point constant");
        return {};
    }
    cursor += length;
    const QString token = pattern.cap(0);

    bool ok = false;
    const int intValue = token.toInt(&ok, 10);
    if (ok)
        return std::make_shared<ExprConst>(this, QVariant(intValue));
    const double doubleValue = token.toDouble(&ok);
    if (ok)
        return std::make_shared<ExprConst>(this, QVariant(doubleValue));
    error = QStringLiteral("Invalid constant value '") + token + QLatin1Char('\'');
    return {};
}

std::shared_ptr<ExprNode> Expr::parseName(ExprContext &context, const QString &text, int &cursor,
                                          QString &error, int depth)
{
    const int start = cursor;
    ++cursor;
    while (cursor < text.size()
           && (text.at(cursor).isLetterOrNumber() || text.at(cursor) == QLatin1Char('_')))
        ++cursor;
    const QString name = text.mid(start, cursor - start);

    skipSpaces(text, cursor);
    if (cursor < text.size() && text.at(cursor) == QLatin1Char('('))
        return parseFunctionCall(context, name, text, cursor, error, depth);

    if (name == QLatin1String("true") || name == QLatin1String("TRUE"))
        return std::make_shared<ExprConst>(this, QVariant(true));
    if (name == QLatin1String("false") || name == QLatin1String("FALSE"))
        return std::make_shared<ExprConst>(this, QVariant(false));
    if (context.isVariable(name))
        return std::make_shared<ExprVariable>(this, name);
    error = QStringLiteral("Identifier '") + name + QStringLiteral("' is invalid");
    return {};
}

std::shared_ptr<ExprNode> Expr::parseFunctionCall(ExprContext &context, const QString &name,
                                                  const QString &text, int &cursor, QString &error,
                                                  int depth)
{
    if (depth >= maxNesting) {
        error = nestingError;
        return {};
    }
    ++cursor;
    std::vector<std::shared_ptr<ExprNode>> args;
    auto arg = parseExpression(context, text, cursor, error, depth + 1);
    for (;;) {
        if (!arg)
            return {};
        args.push_back(std::move(arg));
        skipSpaces(text, cursor);
        if (cursor >= text.size()) {
            error = QStringLiteral("function '") + name + QStringLiteral("' missing trailing ')'");
            return {};
        }
        const QChar c = text.at(cursor);
        if (c == QLatin1Char(')')) {
            // The name is checked only now, so errors inside the arguments
            // are the ones reported.
            if (!context.isFunction(name)) {
                error = QStringLiteral("function '") + name
                        + QStringLiteral("' is not a valid function name");
                return {};
            }
            ++cursor;
            return std::make_shared<ExprFunction>(this, name, args);
        }
        if (c != QLatin1Char(',')) {
            error = QStringLiteral("function '") + name + QStringLiteral("' expected ',' or ')', got '")
                    + c + QLatin1Char('\'');
            return {};
        }
        ++cursor;
        skipSpaces(text, cursor);
        arg = parseExpression(context, text, cursor, error, depth + 1);
    }
}

std::shared_ptr<ExprNode> Expr::parseString(const QString &text, int &cursor, QString &error)
{
    // No escapes: a string runs to the next double quote, blanks and all.
    const int start = cursor + 1;
    const int end = text.indexOf(QLatin1Char('"'), start);
    if (end < 0) {
        cursor = text.size();
        error = QStringLiteral("end of string while looking for closed quote");
        return {};
    }
    cursor = end + 1;
    return std::make_shared<ExprConst>(this, QVariant(text.mid(start, end - start)));
}

void Expr::skipSpaces(const QString &text, int &cursor)
{
    while (cursor < text.size() && text.at(cursor).isSpace())
        ++cursor;
}

} // namespace mirt::expr
