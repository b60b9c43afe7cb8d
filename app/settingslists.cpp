#include "settingslists.h"

#include <QVariant>

namespace settingslists {

QStringList bounded(const QVariant &value, int maxEntries, int maxLength)
{
    QStringList kept;
    if (maxEntries <= 0)
        return kept;
    // Keeps `text` when it is fit to keep; false once the list is full.
    const auto keep = [&](const QString &text) {
        if (!text.isEmpty() && text.size() <= maxLength && !kept.contains(text))
            kept << text;
        return kept.size() < maxEntries;
    };
    // Whether a value is text is asked of its type: converting first would
    // turn numbers, rectangles and nested lists into text of their own.
    switch (value.userType()) {
    case QMetaType::QString:
        keep(value.toString());
        break;
    case QMetaType::QStringList:
        for (const QString &text : value.toStringList()) {
            if (!keep(text))
                break;
        }
        break;
    case QMetaType::QVariantList:
        for (const QVariant &item : value.toList()) {
            if (item.userType() == QMetaType::QString && !keep(item.toString()))
                break;
        }
        break;
    default:
        break;
    }
    return kept;
}

QString boundedString(const QVariant &value, int maxLength, const QString &fallback)
{
    if (value.userType() != QMetaType::QString)
        return fallback;
    const QString text = value.toString();
    return text.isEmpty() || text.size() > maxLength ? fallback : text;
}

} // namespace settingslists
