#include "exprvalue.h"

namespace mirt::expr {

bool isTrue(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
        return value.toInt() != 0;
    case QMetaType::UInt:
        return value.toUInt() != 0;
    case QMetaType::LongLong:
        return value.toLongLong() != 0;
    case QMetaType::ULongLong:
        return value.toULongLong() != 0;
    case QMetaType::Double:
        return value.toDouble() != 0.0;
    case QMetaType::QString: {
        const QString text = value.toString();
        return !(text.isEmpty() || text == QLatin1String("0")
                 || text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0);
    }
    default:
        return value.toBool();
    }
}

} // namespace mirt::expr
