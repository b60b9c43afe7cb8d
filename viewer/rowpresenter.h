#pragma once

#include "entrylist.h"
#include "highlightrules.h"
#include "logtypes.h"
#include "partnerindex.h"

#include <QString>
#include <QVariant>

#include <unordered_set>
#include <vector>

class LogFile;
class LogFileEntry;
class LogRowItem;
class QTreeWidgetItem;
class RowVisibility;

// The records a viewer's rows show: its file's, or while the file is still
// being read (and only its loader may look at it), the records of the rows
// handed over so far.
class RowRecords final
{
public:
    explicit RowRecords(const LogFile &file)
        : file(&file)
    {
    }
    explicit RowRecords(const EntryList &read)
        : read(&read)
    {
    }

    int size() const;
    const LogFileEntry &at(int number) const;
    // Whether records may still come after these.
    bool isPartial() const { return read != nullptr; }

private:
    const LogFile *file = nullptr;
    const EntryList *read = nullptr;
};

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
    QVariant data(const RowRecords &records, const RowVisibility &visibility, const LogRowItem &row, int column, int role,
                  bool &handled) const;

    // Per entry, the other end of its action.
    PartnerIndex &partners() { return index; }
    void setPartners(PartnerIndex &&partners) { index = std::move(partners); }
    int findPartner(int row, ActionActivity activity) const;
    QString partnerToolTip(const RowRecords &records, int row) const;

    // Highlights the other end of entry `row`'s action (none for -1);
    // false when the highlight stays where it is.
    bool highlightPartnerOf(const RowRecords &records, int row);
    int highlightedRow() const { return highlighted; }

    // The highlight rules' verdicts, a byte an entry (HighlightRuleSet's);
    // entries past their end have none yet. A row takes the colours of its
    // entry's rule over its type's, but not over the partner highlight.
    void setRuleMatches(std::shared_ptr<const HighlightRuleSet> rules, std::vector<quint8> &&matches);
    std::vector<quint8> &ruleMatches() { return matches; }
    const std::shared_ptr<const HighlightRuleSet> &ruleSet() const { return rules; }
    const HighlightRule *ruleOf(int number) const;

private:
    QVariant entryData(const RowRecords &records, const RowVisibility &visibility, int number, int column, int role,
                       bool &handled) const;
    // The background of a cell, noColour for the view's own.
    quint32 cellColour(int number, int column, quint32 messageColour) const;
    QVariant subRowData(const RowRecords &records, const LogRowItem &row, int column, int role, bool &handled) const;

    PartnerIndex index;
    int highlighted = -1;
    // Rows whose highlight was cleared: they show white, and their recorded
    // colour, explicitly.
    std::unordered_set<int> cleared;
    std::shared_ptr<const HighlightRuleSet> rules;
    std::vector<quint8> matches;
};
