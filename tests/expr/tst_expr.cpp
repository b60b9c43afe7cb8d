#include "expr.h"
#include "exprconst.h"
#include "exprcontext.h"
#include "exprfunction.h"
#include "exproperator.h"
#include "exprvariable.h"

#include <QMap>
#include <QtTest>

#include <climits>
#include <cmath>
#include <limits>

using namespace mirt::expr;

namespace {

using Op = ExprOperator::OperatorType;

// Serves a few fixed variables and contains(text, part), and counts what the
// evaluator asks for.
class TestContext final : public ExprContext
{
public:
    bool isVariable(const QString &name) override { return variables.contains(name); }
    QVariant getVariable(const QString &name) override
    {
        ++variableReads;
        return variables.value(name);
    }
    bool isFunction(const QString &name) override { return name == QLatin1String("contains"); }
    QVariant evalFunction(const QString &name, std::vector<std::shared_ptr<ExprNode>> args) override
    {
        ++functionCalls;
        firstArgUseCount = args.empty() ? 0 : args.front().use_count();
        if (name != QLatin1String("contains") || args.size() != 2)
            return {};
        return args[0]->evaluate(*this).toString().contains(args[1]->evaluate(*this).toString());
    }

    QMap<QString, QVariant> variables{
        {QStringLiteral("time"), 12.5},
        {QStringLiteral("type"), QStringLiteral("Error")},
        {QStringLiteral("message"), QStringLiteral("motor stalled (left)")},
        {QStringLiteral("action"), 5u},
        {QStringLiteral("unset"), QVariant()},
    };
    int variableReads = 0;
    int functionCalls = 0;
    long firstArgUseCount = 0;
};

bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.type() != b.type())
        return false;
    if (a.type() == QVariant::Double) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        return (std::isnan(x) && std::isnan(y)) || x == y;
    }
    return a == b;
}

QByteArray describe(const QVariant &v)
{
    return QByteArray(v.isValid() ? v.typeName() : "empty") + ' ' + v.toString().toUtf8();
}

// The tree with every operator bracketed, to show how the parser grouped it.
QString shape(const std::shared_ptr<ExprNode> &node)
{
    if (auto op = std::dynamic_pointer_cast<ExprOperator>(node)) {
        QStringList parts;
        for (const auto &operand : op->operands)
            parts << shape(operand);
        return QLatin1Char('(') + parts.join(QLatin1Char(' ') + ExprOperator::token(op->op) + QLatin1Char(' '))
               + QLatin1Char(')');
    }
    if (auto fn = std::dynamic_pointer_cast<ExprFunction>(node)) {
        QStringList parts;
        for (const auto &arg : fn->args)
            parts << shape(arg);
        return fn->name + QLatin1Char('(') + parts.join(QLatin1String(", ")) + QLatin1Char(')');
    }
    return node->toString();
}

QString nested(int depth, const QString &open, const QString &inner, const QString &close)
{
    return open.repeated(depth) + inner + close.repeated(depth);
}

const double infinity = std::numeric_limits<double>::infinity();
const double nanValue = std::numeric_limits<double>::quiet_NaN();
const QVariant empty;
const QVariant notANumber = QStringLiteral("abc");

} // namespace

class TstExpr : public QObject
{
    Q_OBJECT

private slots:
    void operators_data();
    void operators();
    void fold();
    void operatorTokens_data();
    void operatorTokens();
    void parse_data();
    void parse();
    void errors_data();
    void errors();
    void getVariables_data();
    void getVariables();
    void nodeBasics();
    void functionArgumentsReleased();
    void noShortCircuit();
    void failedParseEmptiesRoot();
    void contextWithoutNames();
};

void TstExpr::operators_data()
{
    QTest::addColumn<int>("op");
    QTest::addColumn<QVariant>("left");
    QTest::addColumn<QVariant>("right");
    QTest::addColumn<QVariant>("expected");

    auto row = [](const char *name, Op op, const QVariant &l, const QVariant &r, const QVariant &e) {
        QTest::newRow(name) << int(op) << l << r << e;
    };
    // Integer pairs stay int and wrap; the two quotients without an int
    // answer are empty.
    row("int plus", Op::Plus, 7, 2, 9);
    row("int minus", Op::Minus, 7, 9, -2);
    row("int times", Op::Times, -7, 3, -21);
    row("int divide", Op::Divide, 7, 2, 3);
    row("int divide negative", Op::Divide, -7, 2, -3);
    row("int divide by zero", Op::Divide, 7, 0, empty);
    row("int min / -1", Op::Divide, INT_MIN, -1, empty);
    row("int max + 1 wraps", Op::Plus, INT_MAX, 1, INT_MIN);
    row("int min - 1 wraps", Op::Minus, INT_MIN, 1, INT_MAX);
    row("int times wraps", Op::Times, 65536, 65536, 0);
    row("int max * 2 wraps", Op::Times, INT_MAX, 2, -2);
    // The table of mixed operands.
    row("int + double", Op::Plus, 7, 2.0, 9.0);
    row("uint + int", Op::Plus, 5u, 5, 10.0);
    row("text + int", Op::Plus, notANumber, 0, 0.0);
    row("bool + int", Op::Plus, true, 1, 2.0);
    row("double + double", Op::Plus, 1.0, 1.0005, 1.0 + 1.0005);
    row("empty + int", Op::Plus, empty, 1, empty);
    row("int + empty", Op::Plus, 1, empty, empty);
    row("int == int", Op::Equal, 7, 2, false);
    row("int == double", Op::Equal, 7, 2.0, false);
    row("uint == int", Op::Equal, 5u, 5, true);
    row("text == int 0", Op::Equal, notANumber, 0, true);
    row("bool == int", Op::Equal, true, 1, true);
    row("empty == int", Op::Equal, empty, 1, empty);
    row("int / double", Op::Divide, 7, 2.0, 3.5);
    row("bool + bool", Op::Plus, true, true, 2.0);
    row("number text - int", Op::Minus, QStringLiteral(" 12 "), 2, 10.0);
    // Strings concatenate under Plus only; elsewhere they count as numbers.
    row("string + string", Op::Plus, QStringLiteral("ab"), QStringLiteral("cd"), QStringLiteral("abcd"));
    row("string - string", Op::Minus, QStringLiteral("ab"), QStringLiteral("cd"), 0.0);
    row("number strings *", Op::Times, QStringLiteral("6"), QStringLiteral("1.5"), 9.0);
    // IEEE division.
    row("double / 0", Op::Divide, 1.0, 0, infinity);
    row("-double / 0", Op::Divide, -1.0, 0.0, -infinity);
    row("0 / 0.0", Op::Divide, 0, 0.0, nanValue);
    row("inf - inf", Op::Minus, infinity, infinity, nanValue);
    // Tolerance of Equal / NotEqual, both bounds strict.
    row("0.0005 apart ==", Op::Equal, 1.0, 1.0005, true);
    row("0.0005 apart !=", Op::NotEqual, 1.0, 1.0005, false);
    row("0.002 apart ==", Op::Equal, 1.0, 1.002, false);
    row("0.002 apart !=", Op::NotEqual, 1.0, 1.002, true);
    row("0.001 apart ==", Op::Equal, 0.001, 0.0, false);
    row("0.001 apart !=", Op::NotEqual, 0.001, 0.0, false);
    row("ordering has no tolerance", Op::LessThan, 1.0, 1.0005, true);
    row("int == is exact", Op::Equal, 1000000, 1000001, false);
    // Infinities: ordered, but never within tolerance of each other.
    row("inf > max", Op::GreaterThan, infinity, std::numeric_limits<double>::max(), true);
    row("-inf < inf", Op::LessThan, -infinity, infinity, true);
    row("inf >= inf", Op::GreaterEqual, infinity, infinity, true);
    row("inf == inf", Op::Equal, infinity, infinity, false);
    row("inf != 1", Op::NotEqual, infinity, 1, true);
    // Strings compare by code unit, case-sensitive.
    row("capital before small", Op::LessThan, QStringLiteral("Z"), QStringLiteral("a"), true);
    row("string >", Op::GreaterThan, QStringLiteral("b"), QStringLiteral("a"), true);
    row("string == case", Op::Equal, QStringLiteral("a"), QStringLiteral("A"), false);
    row("string !=", Op::NotEqual, QStringLiteral("abc"), QStringLiteral("abd"), true);
    row("string >= equal", Op::GreaterEqual, QStringLiteral("a"), QStringLiteral("a"), true);
    row("string <= greater", Op::LessEqual, QStringLiteral("b"), QStringLiteral("a"), false);
    row("\"10\" < \"9\" as strings", Op::LessThan, QStringLiteral("10"), QStringLiteral("9"), true);
    row("\"10\" < 9 as numbers", Op::LessThan, QStringLiteral("10"), 9, false);
    row("int <=", Op::LessEqual, 5, 5, true);
    row("int >=", Op::GreaterEqual, 4, 5, false);
    row("int !=", Op::NotEqual, 5, 5, false);
    row("bool == bool", Op::Equal, true, true, true);
    row("bool > bool", Op::GreaterThan, true, false, true);
    row("uint < empty", Op::LessThan, 5u, empty, empty);
    // Logic takes booleans only.
    row("and", Op::And, true, false, false);
    row("or", Op::Or, false, true, true);
    row("and ints", Op::And, 1, 1, empty);
    row("or string", Op::Or, QStringLiteral("true"), true, empty);
    row("or empty", Op::Or, empty, true, empty);
    row("unknown operator", Op(42), 1, 1, empty);
    for (Op op : {Op::LessThan, Op::GreaterThan, Op::Equal, Op::NotEqual, Op::GreaterEqual, Op::LessEqual}) {
        QTest::addRow("nan %s 1", qPrintable(ExprOperator::token(op))) << int(op) << QVariant(nanValue) << QVariant(1) << QVariant(false);
        QTest::addRow("1 %s nan", qPrintable(ExprOperator::token(op))) << int(op) << QVariant(1.0) << QVariant(nanValue) << QVariant(false);
    }
}

void TstExpr::operators()
{
    QFETCH(int, op);
    QFETCH(QVariant, left);
    QFETCH(QVariant, right);
    QFETCH(QVariant, expected);

    // Through a node, as the parser would build it.
    auto node = std::make_shared<ExprOperator>(nullptr, Op(op));
    node->operands = {std::make_shared<ExprConst>(nullptr, left), std::make_shared<ExprConst>(nullptr, right)};
    ExprContext ctx;
    const QVariant actual = node->evaluate(ctx);
    QVERIFY2(sameValue(actual, expected), describe(actual) + " instead of " + describe(expected));
}

void TstExpr::fold()
{
    ExprContext ctx;
    auto constant = [](const QVariant &v) { return std::make_shared<ExprConst>(nullptr, v); };
    ExprOperator minus(nullptr, Op::Minus);
    QVERIFY(!minus.evaluate(ctx).isValid());
    minus.operands = {constant(10)};
    QCOMPARE(minus.evaluate(ctx), QVariant(10));
    minus.operands = {constant(10), constant(3), constant(2)};
    QCOMPARE(minus.evaluate(ctx), QVariant(5));
    QCOMPARE(minus.toString(), QStringLiteral("10 - 3 - 2"));
    minus.operands = {constant(10), constant(empty), constant(2)};
    QVERIFY(!minus.evaluate(ctx).isValid());

    // Chains of left operands: an inner fold, and an inner operator without
    // operands, which is empty.
    auto inner = std::make_shared<ExprOperator>(nullptr, Op::Minus);
    inner->operands = {constant(10), constant(3), constant(2)};
    ExprOperator outer(nullptr, Op::Times);
    outer.operands = {inner, constant(2)};
    QCOMPARE(outer.evaluate(ctx), QVariant(10));
    QCOMPARE(outer.toString(), QStringLiteral("10 - 3 - 2 * 2"));
    outer.operands = {std::make_shared<ExprOperator>(nullptr, Op::Plus), constant(2)};
    QVERIFY(!outer.evaluate(ctx).isValid());
    QCOMPARE(outer.toString(), QStringLiteral(" * 2"));

    Expr noTree;
    QVERIFY(!noTree.evaluate(ctx).isValid());
}

void TstExpr::operatorTokens_data()
{
    QTest::addColumn<QString>("token");
    QTest::addColumn<int>("op");
    QTest::addColumn<int>("level");

    const struct { const char *token; Op op; int value; int level; } rows[] = {
        {"+", Op::Plus, 0, 4},         {"-", Op::Minus, 1, 4},       {"*", Op::Times, 2, 3},
        {"/", Op::Divide, 3, 3},       {"<", Op::LessThan, 4, 6},    {">", Op::GreaterThan, 5, 6},
        {"==", Op::Equal, 6, 7},       {"!=", Op::NotEqual, 7, 7},   {">=", Op::GreaterEqual, 8, 6},
        {"<=", Op::LessEqual, 9, 6},   {"&&", Op::And, 10, 12},      {"||", Op::Or, 11, 11},
    };
    for (const auto &r : rows) {
        QCOMPARE(int(r.op), r.value);
        QTest::newRow(r.token) << QString::fromLatin1(r.token) << int(r.op) << r.level;
    }
}

void TstExpr::operatorTokens()
{
    QFETCH(QString, token);
    QFETCH(int, op);
    QFETCH(int, level);

    TestContext ctx;
    Expr expr;
    QString error;
    const QString text = QStringLiteral("time") + token + QStringLiteral("type");
    QVERIFY(expr.parse(ctx, text, error));
    auto node = std::dynamic_pointer_cast<ExprOperator>(expr.root);
    QVERIFY(node);
    QCOMPARE(int(node->op), op);
    QCOMPARE(node->precedence(), level);
    QCOMPARE(node->toString(), QStringLiteral("time ") + token + QStringLiteral(" type"));
    QCOMPARE(node->operands.size(), std::size_t(2));
    QCOMPARE(node->operands[0]->owner, &expr);
    QCOMPARE(ExprOperator::precedenceOf(Op(12)), 0);
}

void TstExpr::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("grouping");
    QTest::addColumn<QString>("textForm");
    QTest::addColumn<QVariant>("value");

    auto row = [](const char *name, const QString &text, const char *grouping, const char *textForm,
                  const QVariant &value) {
        QTest::newRow(name) << text << QString::fromUtf8(grouping) << QString::fromUtf8(textForm) << value;
    };
    // Precedence: * over +, comparisons over equality, and || over &&.
    row("times first", "1 + 2 * 3", "(1 + (2 * 3))", "1 + 2 * 3", 7);
    row("left to right", "8 - 3 - 2", "((8 - 3) - 2)", "8 - 3 - 2", 3);
    row("parentheses", " ( 8 - 3 ) * 2 ", "((8 - 3) * 2)", "8 - 3 * 2", 10);
    row("and over or", "false && true || true", "(false && (true || true))", "false && true || true", false);
    row("or then and", "true || false && false", "((true || false) && false)", "true || false && false", false);
    row("filter", "time > 1 && time < 5 || type == \"Error\"",
        "((time > 1) && ((time < 5) || (type == Error)))", "time > 1 && time < 5 || type == Error", true);
    row("compare then equal", "1 < 2 == true", "((1 < 2) == true)", "1 < 2 == true", true);
    row("equal chain", "1==1==TRUE", "((1 == 1) == true)", "1 == 1 == true", true);
    row(">=", "time >= 5", "(time >= 5)", "time >= 5", true);
    row("<=", "time<=5", "(time <= 5)", "time <= 5", false);
    row("arithmetic in comparison", "time + 0.5 == 13", "((time + 0.5) == 13)", "time + 0.5 == 13", true);
    // Signs belong to numbers; there are no unary operators.
    row("negative", "-5", "-5", "-5", -5);
    row("no blanks", "5-5", "(5 - 5)", "5 - 5", 0);
    row("sign after blank", "5 -5", "(5 - 5)", "5 - 5", 0);
    row("minus negative", "5 - -5", "(5 - -5)", "5 - -5", 10);
    row("plus sign", "+3", "3", "3", 3);
    row("int max", "2147483647", "2147483647", "2147483647", INT_MAX);
    row("int min", "-2147483648", "-2147483648", "-2147483648", INT_MIN);
    row("2^31 is double", "2147483648", "2147483648", "2147483648", 2147483648.0);
    row("point", "3.0", "3", "3", 3.0);
    row("exponent", "1e3", "1000", "1000", 1000.0);
    row("signed exponent", "1.5E-1", "0.15", "0.15", 0.15);
    row("point only", "+.5", "0.5", "0.5", 0.5);
    row("int division", "10 / 4", "(10 / 4)", "10 / 4", 2);
    row("double division", "10 / 4.0", "(10 / 4)", "10 / 4", 2.5);
    row("int division by zero", "1 / 0", "(1 / 0)", "1 / 0", empty);
    // Strings keep everything up to the next quote.
    row("string", "\" a (b) \"", " a (b) ", " a (b) ", QStringLiteral(" a (b) "));
    row("empty string", "\"\"", "", "", QString());
    row("single quote", "\"it's\"", "it's", "it's", QStringLiteral("it's"));
    row("concatenation", "type+\"!\"", "(type + !)", "type + !", QStringLiteral("Error!"));
    row("TRUE", "TRUE", "true", "true", true);
    row("false", "false", "false", "false", false);
    // Variables and functions of the context.
    row("blanks around", "  time\t", "time", "time", 12.5);
    row("unsigned variable", "action == 5", "(action == 5)", "action == 5", true);
    row("unset variable", "unset || true", "(unset || true)", "unset || true", empty);
    row("number && bool", "time&&true", "(time && true)", "time && true", empty);
    row("function", "contains(message, \"stall\")", "contains(message, stall)", "contains(message, stall)", true);
    row("blank before (", "contains (message,\"x\")", "contains(message, x)", "contains(message, x)", false);
    row("expression argument", "contains(message, \"mo\" + \"tor\") && true",
        "(contains(message, (mo + tor)) && true)", "contains(message, mo + tor) && true", true);
    row("blank before )", "contains(message, type )", "contains(message, type)", "contains(message, type)", false);
    // The deepest nesting that is still accepted.
    row("256 parentheses", nested(256, "(", "1", ")"), "1", "1", 1);
    row("256 calls", nested(256, "contains(", "type", ",\"r\")"), "", "", true);
    // A long chain is as deep as it is long; it must neither overflow the
    // stack nor take quadratic time.
    const QString chain = QStringLiteral("time") + QStringLiteral(" - 1").repeated(100000);
    QTest::newRow("long chain") << chain << QString() << chain << QVariant(12.5 - 100000);
}

void TstExpr::parse()
{
    QFETCH(QString, text);
    QFETCH(QString, grouping);
    QFETCH(QString, textForm);
    QFETCH(QVariant, value);

    TestContext ctx;
    Expr expr;
    QString error;
    QVERIFY2(expr.parse(ctx, text, error), qPrintable(error));
    QVERIFY(error.isEmpty());
    QVERIFY(expr.root);
    if (!grouping.isEmpty())
        QCOMPARE(shape(expr.root), grouping);
    if (!textForm.isEmpty())
        QCOMPARE(expr.root->toString(), textForm);
    const QVariant actual = expr.evaluate(ctx);
    QVERIFY2(sameValue(actual, value), describe(actual) + " instead of " + describe(value));
}

void TstExpr::errors_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");

    auto row = [](const char *name, const QString &text, const char *error) {
        QTest::newRow(name) << text << QString::fromUtf8(error);
    };
    row("empty text", "", "unexpected end of string");
    row("blanks only", "   ", "end of text searching for operand");
    row("missing operand", "time +", "end of text searching for operand");
    row("blank splits <=", "< =", "");
    row("blank splits <= after operand", "time < = 5", "");
    row("sign before name", "-time", "Invalid constant value '-'");
    row("sign alone", "-", "Invalid constant value '-'");
    row("sign before blank", "1 + + 1", "Invalid constant value '+'");
    row("exponent without digits", "1e", "Invalid constant value '1e'");
    row("leading point", ".5", "");
    row("foreign digit", QStringLiteral("time > \u0663"), "invalid integer or floating point constant");
    row("open string", "type == \"Err", "end of string while looking for closed quote");
    row("unknown name", "True", "Identifier 'True' is invalid");
    row("unknown in comparison", "foo == 1", "Identifier 'foo' is invalid");
    row("names keep case", "Time", "Identifier 'Time' is invalid");
    row("unclosed call", "contains(message", "function 'contains' missing trailing ')'");
    row("bad separator", "contains(message; 1)", "function 'contains' expected ',' or ')', got ';'");
    row("unknown function", "nosuch(1)", "function 'nosuch' is not a valid function name");
    row("arguments first", "nosuch(foo)", "Identifier 'foo' is invalid");
    row("no arguments", "contains()", "");
    row("end after comma", "contains(message,", "unexpected end of string");
    row("blank after comma", "contains(message, ", "unexpected end of string");
    row("missing argument", "contains(message, )", "");
    row("unclosed parenthesis", "(time", "end of string while expected ')' character");
    row("wrong closer", "(time]", "got ']' while expectedin ')'");
    row("lone (", "(", "unexpected end of string");
    row("empty parentheses", "()", "");
    row("lone #", "#", "");
    row("lone )", ")", "");
    // Text after a complete expression is refused.
    row("single =", "time = 5", "expected operator, got '='");
    row("single &", "time & 1", "expected operator, got '&'");
    row("trailing word", "time > 5 x", "expected operator, got 'x'");
    row("trailing )", "(time) )", "expected operator, got ')'");
    row("point ends number", "1.x", "expected operator, got 'x'");
    row("two operands", "(1) (2)", "expected operator, got '('");
    row("two strings", "\"a\"\"b\"", "expected operator, got '\"'");
    // Nesting is bounded.
    row("257 parentheses", nested(257, "(", "1", ")"), "expression nested too deeply");
    row("257 calls", nested(257, "contains(", "type", ",\"r\")"), "expression nested too deeply");
    row("100000 (", QString(100000, QLatin1Char('(')), "expression nested too deeply");
    row("mixed nesting", nested(200, "(contains(", "1", ", 1))"), "expression nested too deeply");
}

void TstExpr::errors()
{
    QFETCH(QString, text);
    QFETCH(QString, error);

    TestContext ctx;
    Expr expr;
    QString actual;
    QVERIFY(!expr.parse(ctx, text, actual));
    QCOMPARE(actual, error);
    QVERIFY(!expr.root);
}

void TstExpr::getVariables_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");

    QTest::newRow("constants") << "1 + 2" << QStringList() << QStringList();
    QTest::newRow("first use order")
        << "time > 1 && contains(message, type) || time < type" << QStringList()
        << QStringList{"time", "message", "type"};
    QTest::newRow("already listed") << "type == message" << QStringList{"type"}
                                    << QStringList{"type", "message"};
}

void TstExpr::getVariables()
{
    QFETCH(QString, text);
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);

    TestContext ctx;
    Expr expr;
    QString error;
    QVERIFY(expr.parse(ctx, text, error));
    expr.root->getVariables(before);
    QCOMPARE(before, after);
}

void TstExpr::nodeBasics()
{
    // Names that differ in case are different variables.
    ExprOperator plus(nullptr, Op::Plus);
    plus.operands = {std::make_shared<ExprVariable>(nullptr, QStringLiteral("time")),
                     std::make_shared<ExprVariable>(nullptr, QStringLiteral("Time")),
                     std::make_shared<ExprVariable>(nullptr, QStringLiteral("time"))};
    QStringList names;
    plus.getVariables(names);
    QCOMPARE(names, (QStringList{"time", "Time"}));

    ExprFunction call(nullptr, QStringLiteral("now"), {});
    QCOMPARE(call.toString(), QStringLiteral("now()"));
    QCOMPARE(ExprConst(nullptr, 0.1).toString(), QStringLiteral("0.1"));
}

void TstExpr::functionArgumentsReleased()
{
    TestContext ctx;
    Expr expr;
    QString error;
    QVERIFY(expr.parse(ctx, QStringLiteral("contains(message, \"stall\")"), error));
    auto call = std::dynamic_pointer_cast<ExprFunction>(expr.root);
    QVERIFY(call);
    QCOMPARE(call->args.size(), std::size_t(2));
    QCOMPARE(call->args[0].use_count(), 1L);
    QCOMPARE(expr.evaluate(ctx), QVariant(true));
    QCOMPARE(ctx.firstArgUseCount, 2L); // the tree's reference and the callee's copy
    QCOMPARE(call->args[0].use_count(), 1L);

    // The default drops the list as well.
    ExprContext plain;
    auto node = std::make_shared<ExprConst>(nullptr, 1);
    QVERIFY(!plain.evalFunction(QStringLiteral("f"), {node, node}).isValid());
    QCOMPARE(node.use_count(), 1L);
}

void TstExpr::noShortCircuit()
{
    TestContext ctx;
    Expr expr;
    QString error;
    QVERIFY(expr.parse(ctx, QStringLiteral("false && time > 1 || contains(message, \"x\")"), error));
    QCOMPARE(expr.evaluate(ctx), QVariant(false));
    QCOMPARE(ctx.variableReads, 2);
    QCOMPARE(ctx.functionCalls, 1);
}

void TstExpr::failedParseEmptiesRoot()
{
    TestContext ctx;
    Expr expr;
    QString error;
    QVERIFY(expr.parse(ctx, QStringLiteral("time"), error));
    std::weak_ptr<ExprNode> old = expr.root;
    QVERIFY(!expr.parse(ctx, QStringLiteral("time +"), error));
    QVERIFY(!expr.root);
    QVERIFY(old.expired());
    QVERIFY(!expr.evaluate(ctx).isValid());
}

void TstExpr::contextWithoutNames()
{
    ExprContext ctx;
    Expr expr;
    QString error;
    QVERIFY(expr.parse(ctx, QStringLiteral("(1 + 2) * 3 == 9 && \"a\" < \"b\""), error));
    QCOMPARE(expr.evaluate(ctx), QVariant(true));
    QVERIFY(!expr.parse(ctx, QStringLiteral("time"), error));
    QCOMPARE(error, QStringLiteral("Identifier 'time' is invalid"));
    error.clear();
    QVERIFY(!expr.parse(ctx, QStringLiteral("contains(1, 1)"), error));
    QCOMPARE(error, QStringLiteral("function 'contains' is not a valid function name"));
}

QTEST_GUILESS_MAIN(TstExpr)
#include "tst_expr.moc"
