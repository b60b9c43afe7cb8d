#include "cappedtextdelegate.h"

#include "rowcolours.h"
#include "rowmatcher.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

CappedTextDelegate::CappedTextDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

void CappedTextDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->text = shownText(option->text);
}

void CappedTextDelegate::setHighlight(std::shared_ptr<const RowMatcher> matcher,
                                      std::function<bool(int row)> rowMatches)
{
    highlight = std::move(matcher);
    matchedRow = std::move(rowMatches);
}

void CappedTextDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // Find counts and visits the records' own rows; the sub-action rows
    // under them are not marked either.
    if (!highlight || highlight->isEmpty() || index.parent().isValid() || (matchedRow && !matchedRow(index.row()))) {
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
        painter->fillRect(QRect(left, text.top() + 1, std::max(width, 2), text.height() - 2), QColor::fromRgba(RowColours::current().findMark));
    }
    painter->restore();
}
