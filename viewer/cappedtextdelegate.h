#pragma once

#include "entrypresentation.h"

#include <QStyledItemDelegate>

#include <functional>
#include <memory>

class RowMatcher;

// Draws and measures at most maxShownLength characters of a cell, followed
// by "…". The toolkit shapes a cell's whole text to measure and elide it, so
// one line of tens of megabytes (a corrupt or half-copied log) would freeze
// the view for a minute at every repaint.
//
// It also draws control and format characters (bidi overrides, zero-width
// characters) as visible markers such as <U+202E>, so that a message cannot
// show text other than what it holds. The cell's data stays whole and
// unchanged: filters see all of it.
class CappedTextDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int maxShownLength = EntryPresentation::maxShownLength;

    explicit CappedTextDelegate(QObject *parent = nullptr);

    // The text as shown: markers for invisible characters, and at most
    // maxShownLength characters of the text (EntryPresentation's).
    static QString shownText(const QString &text) { return EntryPresentation::shownText(text); }

    // Marks where a searched text occurs in the cells of the top-level rows
    // that `rowMatches` says hold it; null for none.
    void setHighlight(std::shared_ptr<const RowMatcher> matcher, std::function<bool(int row)> rowMatches);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    std::shared_ptr<const RowMatcher> highlight;
    std::function<bool(int row)> matchedRow;
};
