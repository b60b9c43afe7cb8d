#pragma once

#include "logtypes.h"
#include "partnerindex.h"

#include <QString>
#include <QVariant>

#include <unordered_set>

class LogFile;
class LogRowItem;
class QTreeWidgetItem;
class RowVisibility;

// What the rows of one viewer show, cell by cell, for each role the view
// asks about: EntryPresentation's texts, colours and tooltips, plus what
// belongs to this viewer: the other end of the current row's action
// highlighted in orange, highlights cleared since, and the lighter text of
// context rows. Owns the partner index the highlight is found with.
class RowPresenter final
{
public:
    // The value of `role` in `column` of `row`; `handled` is false where the
    // row's own item data applies.
    QVariant data(const LogFile &file, const RowVisibility &visibility, const LogRowItem &row, int column, int role,
                  bool &handled) const;

    // Per entry, the other end of its action.
    PartnerIndex &partners() { return index; }
    void setPartners(PartnerIndex &&partners) { index = std::move(partners); }
    int findPartner(int row, ActionActivity activity) const;
    QString partnerToolTip(const LogFile &file, int row) const;

    // Highlights the other end of entry `row`'s action (none for -1);
    // false when the highlight stays where it is.
    bool highlightPartnerOf(const LogFile &file, int row);
    int highlightedRow() const { return highlighted; }

private:
    QVariant entryData(const LogFile &file, const RowVisibility &visibility, int number, int column, int role,
                       bool &handled) const;
    // The background of a cell, noColour for the view's own.
    quint32 cellColour(int number, int column, quint32 messageColour) const;
    QVariant subRowData(const LogFile &file, const LogRowItem &row, int column, int role, bool &handled) const;

    PartnerIndex index;
    int highlighted = -1;
    // Rows whose highlight was cleared: they show white, and their recorded
    // colour, explicitly.
    std::unordered_set<int> cleared;
};
