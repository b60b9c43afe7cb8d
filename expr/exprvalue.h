#pragma once

#include <QVariant>

namespace mirt::expr {

// The truth of an expression's value: the empty value is false; a boolean is
// itself; a number is true when it is not zero (0.3 is true, unlike
// QVariant::toBool, which rounds a double first); a string is false when it
// is empty, the digit zero alone, or the word false in any letter case.
bool isTrue(const QVariant &value);

} // namespace mirt::expr
