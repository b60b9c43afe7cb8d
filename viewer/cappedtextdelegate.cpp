#include "cappedtextdelegate.h"

#include "rowmatcher.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

CappedTextDelegate::CappedTextDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

namespace {

QString capped(const QString &text)
{
    if (text.size() <= CappedTextDelegate::maxShownLength)
        return text;
    int length = CappedTextDelegate::maxShownLength;
    // Never split a surrogate pair.
    if (text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length) + QChar(0x2026);
}

bool isInvisible(uint codePoint)
{
    if (codePoint >= 0x20 && codePoint < 0x7f)
        return false;
    if (codePoint == '\t')
        return false;
    switch (QChar::category(codePoint)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

} // namespace

QString CappedTextDelegate::withVisibleControls(const QString &text)
{
    const int size = text.size();
    const QChar *data = text.constData();
    QString result;
    int copied = 0;
    for (int i = 0; i < size; ++i) {
        uint codePoint = data[i].unicode();
        int length = 1;
        if (QChar::isHighSurrogate(codePoint) && i + 1 < size && data[i + 1].isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(data[i], data[i + 1]);
            length = 2;
        }
        if (isInvisible(codePoint)) {
            if (result.isNull())
                result.reserve(size + 16);
            result.append(data + copied, i - copied);
            result += QStringLiteral("<U+%1>").arg(codePoint, 4, 16, QLatin1Char('0')).toUpper();
            copied = i + length;
        }
        i += length - 1;
    }
    if (result.isNull())
        return text;
    result.append(data + copied, size - copied);
    return result;
}

QString CappedTextDelegate::shownText(const QString &text)
{
    // Capped first, so a huge cell is never scanned whole; markers lengthen
    // the text, so it is capped again.
    return capped(withVisibleControls(capped(text)));
}

void CappedTextDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->text = shownText(option->text);
}

void CappedTextDelegate::setHighlight(std::shared_ptr<const RowMatcher> matcher)
{
    highlight = std::move(matcher);
}

void CappedTextDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // Find counts and visits the records' own rows; the sub-action rows
    // under them are not marked either.
    if (!highlight || highlight->isEmpty() || index.parent().isValid()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // What the base class does, with the cell's option kept for the marks.
    QStyleOptionViewItem shown = option;
    initStyleOption(&shown, index);
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &shown, painter, widget);
    const QVector<QPair<int, int>> places = highlight->find(shown.text);
    if (places.isEmpty())
        return;
    // Over the text as drawn: from where the style puts it, after its margin.
    const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &shown, widget);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QFontMetrics metrics(shown.font);
    painter->save();
    painter->setClipRect(text);
    for (const auto &place : places) {
        const int left = text.left() + margin + metrics.horizontalAdvance(shown.text.left(place.first));
        const int width = metrics.horizontalAdvance(shown.text.mid(place.first, place.second));
        if (left > text.right())
            break;
        painter->fillRect(QRect(left, text.top() + 1, std::max(width, 2), text.height() - 2), QColor(255, 150, 0, 110));
    }
    painter->restore();
}
