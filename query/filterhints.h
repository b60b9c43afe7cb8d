#pragma once

#include <QString>

namespace mirt::expr {
class ExprNode;
}

// What the window tells the user about a filter beyond whether it parses:
// how it groups where that may surprise, and a text value it compares that
// has capitals, which never match because values are in small letters.
namespace filterhints {

// The expression fully parenthesised, as the parser grouped it, when `&&`
// and `||` meet without parentheses of the user's between them; empty
// otherwise. Expressions longer than `maxLength` characters get none.
QString grouping(const mirt::expr::ExprNode *root, int textLength);
constexpr int maxLength = 2000;

// The first string the expression compares (with == or !=, or as an
// argument of contains) that has capital letters; empty when none has, or
// when the text is longer than `maxLength`.
QString capitalLiteral(const mirt::expr::ExprNode *root, int textLength);

} // namespace filterhints
