#pragma once

#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

namespace mirt::expr {

class ExprContext;
class ExprNode;
class ExprOperator;

// A parsed filter expression. One Expr is reused for every parse; each
// parse replaces the tree, and a failed one leaves it empty.
class Expr
{
public:
    // Parentheses and argument lists may nest this deep; deeper input is
    // refused instead of exhausting the stack of the recursive parser.
    static constexpr int maxNesting = 256;

    Expr();
    virtual ~Expr();

    // Builds the tree for `text`, asking `context` which names are variables
    // and functions. Returns whether `root` is set. On failure `error` holds
    // the message of the failing step, or stays empty where that step has
    // none; `error` is only written, never read.
    bool parse(ExprContext &context, const QString &text, QString &error);
    // The same; on failure `errorPosition` is the index in `text` at which
    // the parse stopped, so that a caller can say where, also when the
    // failing step wrote no message.
    bool parse(ExprContext &context, const QString &text, QString &error, int &errorPosition);

    // The value of the tree against `ctx`; empty when there is no tree.
    QVariant evaluate(ExprContext &ctx) const;

    std::shared_ptr<ExprNode> root;

private:
    using NodeStack = std::vector<std::shared_ptr<ExprNode>>;
    using OperatorStack = std::vector<std::shared_ptr<ExprOperator>>;

    std::shared_ptr<ExprNode> parseExpression(ExprContext &context, const QString &text, int &cursor,
                                              QString &error, int depth);
    std::shared_ptr<ExprNode> parseOperand(ExprContext &context, const QString &text, int &cursor,
                                           QString &error, int depth);
    std::shared_ptr<ExprOperator> parseOperator(ExprContext &context, const QString &text, int &cursor,
                                                QString &error);

    std::shared_ptr<ExprNode> parseParenthesis(ExprContext &context, const QString &text, int &cursor,
                                               QString &error, int depth);
    std::shared_ptr<ExprNode> parseNumber(const QString &text, int &cursor, QString &error);
    std::shared_ptr<ExprNode> parseName(ExprContext &context, const QString &text, int &cursor,
                                        QString &error, int depth);
    std::shared_ptr<ExprNode> parseFunctionCall(ExprContext &context, const QString &name,
                                                const QString &text, int &cursor, QString &error,
                                                int depth);
    std::shared_ptr<ExprNode> parseString(const QString &text, int &cursor, QString &error);

    static void skipSpaces(const QString &text, int &cursor);
    static bool reduceTop(NodeStack &operands, OperatorStack &operators);
};

} // namespace mirt::expr
