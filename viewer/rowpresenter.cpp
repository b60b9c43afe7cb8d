#include "rowpresenter.h"

#include "entrypresentation.h"
#include "logfile.h"
#include "logfileentry.h"
#include "logfileviewer.h"
#include "logrowitem.h"
#include "robotaction.h"
#include "rowcolours.h"
#include "rowvisibility.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QHash>

namespace {

QBrush brushOf(quint32 rgb)
{
    // One brush per colour, made once: every cell that uses it shares its data.
    static QHash<quint32, QBrush> brushes;
    auto found = brushes.find(rgb);
    if (found == brushes.end())
        found = brushes.insert(rgb, QBrush(QColor(QRgb(rgb | 0xFF000000u))));
    return *found;
}

// The entry of the record a row belongs to; -1 for none.
int entryOf(const QTreeWidgetItem *item)
{
    while (item && item->parent())
        item = item->parent();
    return item && item->type() == LogRowItem::EntryRow ? static_cast<const LogRowItem *>(item)->entryNumber() : -1;
}

} // namespace

int RowRecords::size() const
{
    return file ? file->entries().size() : read->size();
}

const LogFileEntry &RowRecords::at(int number) const
{
    return file ? *file->entries().at(number) : *read->at(number);
}

QVariant RowPresenter::data(const RowRecords &records, const RowVisibility &visibility, const LogRowItem &row, int column,
                            int role, bool &handled) const
{
    handled = false;
    if (column < 0 || column >= EntryPresentation::ColumnCount)
        return QVariant();
    if (row.type() == LogRowItem::EntryRow)
        return entryData(records, visibility, row.entryNumber(), column, role, handled);
    return subRowData(records, row, column, role, handled);
}

int RowPresenter::findPartner(int row, ActionActivity activity) const
{
    return activity == Start ? index.nextEndOf(row) : index.previousStartOf(row);
}

QString RowPresenter::partnerToolTip(const RowRecords &records, int row) const
{
    if (row < 0 || row >= records.size())
        return QString();
    const ActionActivity activity = records.at(row).activity();
    const int partner = findPartner(row, activity);
    if (activity == Start) {
        // The run ends at its partner unless the action starts again first.
        // While the file is read, a start whose end is not read yet says
        // nothing: its end may still come.
        if (partner < 0 && records.isPartial())
            return QString();
        const int nextStart = index.nextStartOf(row);
        const bool restarted = nextStart >= 0 && (partner < 0 || nextStart < partner);
        return EntryPresentation::startToolTip(partner >= 0 && partner < records.size() ? &records.at(partner) : nullptr,
                                               restarted);
    }
    if (partner < 0 || partner >= records.size())
        return QString();
    return EntryPresentation::partnerToolTip(records.at(partner));
}

void RowPresenter::setRuleMatches(std::shared_ptr<const HighlightRuleSet> ruleSet, std::vector<quint8> &&verdicts)
{
    rules = std::move(ruleSet);
    matches = std::move(verdicts);
}

const HighlightRule *RowPresenter::ruleOf(int number) const
{
    if (!rules || number < 0 || size_t(number) >= matches.size())
        return nullptr;
    return rules->ruleOf(matches[size_t(number)]);
}

bool RowPresenter::highlightPartnerOf(const RowRecords &records, int row)
{
    int partner = -1;
    if (row >= 0 && row < records.size()) {
        const LogFileEntry &entry = records.at(row);
        if (entry.hasAction())
            partner = findPartner(row, entry.activity());
    }
    if (partner == highlighted)
        return false;
    if (highlighted >= 0)
        cleared.insert(highlighted);
    highlighted = partner;
    return true;
}

quint32 RowPresenter::cellColour(int number, int column, quint32 messageColour) const
{
    if (number == highlighted)
        return RowColours::current().partner;
    if (column == EntryPresentation::MessageColumn)
        return messageColour;
    return EntryPresentation::noColour;
}

QVariant RowPresenter::entryData(const RowRecords &records, const RowVisibility &visibility, int number, int column,
                                 int role, bool &handled) const
{
    if (number < 0 || number >= records.size())
        return QVariant();
    const LogFileEntry &entry = records.at(number);
    const quint32 colour = EntryPresentation::messageColour(entry);
    const HighlightRule *rule = ruleOf(number);
    handled = true;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return EntryPresentation::cellText(entry, column);
    case Qt::BackgroundRole:
        if (number == highlighted)
            return brushOf(RowColours::current().partner);
        if (rule && rule->background != EntryPresentation::noColour)
            return brushOf(rule->background);
        if (cleared.count(number)) {
            // A cleared highlight leaves the view's background, and the
            // row's own colour, set.
            if (column < EntryPresentation::MessageColumn)
                return brushOf(RowColours::current().base);
            return brushOf(colour == EntryPresentation::noColour ? 0 : colour);
        }
        return column == EntryPresentation::MessageColumn && colour != EntryPresentation::noColour
            ? QVariant(brushOf(colour))
            : QVariant();
    case Qt::ToolTipRole:
        if (!entry.hasAction())
            return QVariant();
        if (column == EntryPresentation::ActivityColumn)
            return partnerToolTip(records, number);
        // The cell shows the action; the record's own words (a failure
        // reason, say) are one hover away.
        if (column == EntryPresentation::MessageColumn)
            return EntryPresentation::recordToolTip(entry.message());
        return QVariant();
    case Qt::UserRole:
        if (column == EntryPresentation::TimeColumn)
            return number;
        if (column == EntryPresentation::MessageColumn)
            return colour == EntryPresentation::noColour ? 0 : int(colour);
        return QVariant();
    case Qt::ForegroundRole:
        if (rule && rule->text != EntryPresentation::noColour && number != highlighted)
            return brushOf(rule->text);
        // Rows shown only as context of the rows the filter keeps: lighter,
        // as far as the cell's colour lets them still be read.
        if (visibility.isContextRow(number)) {
            const bool ruled = rule && number != highlighted && rule->background != EntryPresentation::noColour;
            return brushOf(EntryPresentation::contextTextColour(ruled ? rule->background
                                                                      : cellColour(number, column, colour)));
        }
        return QVariant();
    case Qt::FontRole:
        if (visibility.isContextRow(number)) {
            static const QFont italic = [] {
                QFont font;
                font.setItalic(true);
                return font;
            }();
            return italic;
        }
        return QVariant();
    default:
        handled = false;
        return QVariant();
    }
}

QVariant RowPresenter::subRowData(const RowRecords &records, const LogRowItem &row, int column, int role,
                                  bool &handled) const
{
    handled = true;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (row.type() == LogRowItem::OmittedRow)
            return column == EntryPresentation::MessageColumn ? LogFileViewer::omittedRowsText() : QString();
        if (column == EntryPresentation::ActionColumn)
            return QString::number(row.subAction()->id());
        if (column == EntryPresentation::MessageColumn) {
            // Indented four spaces a level, on top of the tree's own indentation.
            int depth = 0;
            for (const QTreeWidgetItem *up = row.parent(); up; up = up->parent())
                ++depth;
            return QString(4 * depth, QLatin1Char(' ')) + EntryPresentation::actionText(*row.subAction());
        }
        return QString();
    case Qt::BackgroundRole: {
        // Sub-action rows take the colours of their record's rule, or else
        // the colour of the activity of their record.
        const HighlightRule *rule = ruleOf(entryOf(&row));
        if (rule && rule->background != EntryPresentation::noColour)
            return brushOf(rule->background);
        if (column == EntryPresentation::MessageColumn) {
            const int number = entryOf(&row);
            const ActionActivity activity =
                number >= 0 && number < records.size() ? records.at(number).activity() : NoActivity;
            const quint32 colour = EntryPresentation::activityColour(activity);
            if (colour != EntryPresentation::noColour)
                return brushOf(colour);
        }
        return QVariant();
    }
    case Qt::ForegroundRole: {
        const HighlightRule *rule = ruleOf(entryOf(&row));
        return rule && rule->text != EntryPresentation::noColour ? QVariant(brushOf(rule->text)) : QVariant();
    }
    case Qt::ToolTipRole:
    case Qt::UserRole:
        return QVariant();
    default:
        handled = false;
        return QVariant();
    }
}
