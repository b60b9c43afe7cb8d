#include "cappedtextdelegate.h"

CappedTextDelegate::CappedTextDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

QString CappedTextDelegate::shownText(const QString &text)
{
    if (text.size() <= maxShownLength)
        return text;
    int length = maxShownLength;
    // Never split a surrogate pair.
    if (text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length) + QChar(0x2026);
}

void CappedTextDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (option->text.size() > maxShownLength)
        option->text = shownText(option->text);
}
