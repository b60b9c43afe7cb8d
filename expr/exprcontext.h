#pragma once

#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

namespace mirt::expr {

class ExprNode;

// What an expression can see of the data it filters. Nothing is abstract:
// a context that serves no names still lets expressions of constants parse
// and evaluate, which keeps simple callers and tests short.
class ExprContext
{
public:
    virtual ~ExprContext();

    virtual bool isVariable(const QString &name);
    virtual QVariant getVariable(const QString &name);
    virtual bool isFunction(const QString &name);

    // The arguments arrive as unevaluated nodes so that a function decides
    // itself what to evaluate. The list is taken by value: the callee owns
    // these extra references and drops them when it returns.
    virtual QVariant evalFunction(const QString &name, std::vector<std::shared_ptr<ExprNode>> args);
};

} // namespace mirt::expr
