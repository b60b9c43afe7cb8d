#pragma once

#include <QStyledItemDelegate>

// Draws and measures at most maxShownLength characters of a cell, followed
// by "…". The toolkit shapes a cell's whole text to measure and elide it, so
// one line of tens of megabytes (a corrupt or half-copied log) would freeze
// the view for a minute at every repaint. The cell's data stays whole:
// filters still see all of it.
class CappedTextDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int maxShownLength = 4096;

    explicit CappedTextDelegate(QObject *parent = nullptr);

    // The text as shown: unchanged up to maxShownLength characters.
    static QString shownText(const QString &text);

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
