#include "bookmarkmodel.h"

#include "entrypresentation.h"
#include "logfile.h"
#include "logfileentry.h"

#include <algorithm>

namespace {

const std::vector<BookmarkModel::Kind> singleKinds = {BookmarkModel::TimeKind, BookmarkModel::LineKind,
                                                      BookmarkModel::NoteKind, BookmarkModel::MessageKind};
const std::vector<BookmarkModel::Kind> mergedKinds = {BookmarkModel::TimeKind, BookmarkModel::SourceKind,
                                                      BookmarkModel::LineKind, BookmarkModel::NoteKind,
                                                      BookmarkModel::MessageKind};

bool sameMarks(const std::vector<BookmarkSet::Placed> &a, const std::vector<BookmarkSet::Placed> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto &x, const auto &y) {
        return x.entry == y.entry && x.bookmark.source == y.bookmark.source && x.bookmark.line == y.bookmark.line;
    });
}

} // namespace

BookmarkModel::BookmarkModel(QObject *parent)
    : QAbstractTableModel(parent)
    , kinds(singleKinds)
{
}

void BookmarkModel::setBookmarks(std::shared_ptr<LogFile> shown, std::vector<BookmarkSet::Placed> bookmarks)
{
    if (!shown)
        bookmarks.clear();
    const std::vector<Kind> &wanted = shown && shown->isMerged() ? mergedKinds : singleKinds;
    if (shown == file && wanted == kinds && sameMarks(bookmarks, rows)) {
        const int noteColumn = columnOf(NoteKind);
        for (size_t row = 0; row < rows.size(); ++row) {
            if (rows[row].bookmark.note == bookmarks[row].bookmark.note)
                continue;
            rows[row].bookmark.note = bookmarks[row].bookmark.note;
            const QModelIndex changed = index(int(row), noteColumn);
            emit dataChanged(changed, changed);
        }
        return;
    }
    beginResetModel();
    file = std::move(shown);
    rows = std::move(bookmarks);
    kinds = wanted;
    endResetModel();
}

const BookmarkSet::Placed *BookmarkModel::bookmarkAt(int row) const
{
    return row >= 0 && size_t(row) < rows.size() ? &rows[size_t(row)] : nullptr;
}

int BookmarkModel::columnOf(Kind kind) const
{
    const auto found = std::find(kinds.begin(), kinds.end(), kind);
    return found == kinds.end() ? -1 : int(found - kinds.begin());
}

int BookmarkModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows.size());
}

int BookmarkModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(kinds.size());
}

QString BookmarkModel::messageOf(int entry) const
{
    if (!file || entry < 0 || entry >= file->entries().size())
        return QString();
    QString text = EntryPresentation::messageText(*file->entries().at(entry));
    if (text.size() > maxMessageLength)
        text = text.left(maxMessageLength) + QChar(0x2026);
    return EntryPresentation::withVisibleControls(text);
}

QVariant BookmarkModel::data(const QModelIndex &index, int role) const
{
    const BookmarkSet::Placed *mark = index.isValid() ? bookmarkAt(index.row()) : nullptr;
    if (!mark || index.column() >= columnCount() || !file || mark->entry >= file->entries().size())
        return QVariant();
    const Kind kind = kindOf(index.column());
    if (role == Qt::TextAlignmentRole && (kind == TimeKind || kind == LineKind))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole && kind == NoteKind && !mark->bookmark.note.isEmpty())
        return mark->bookmark.note;
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    switch (kind) {
    case TimeKind:
        return EntryPresentation::timeText(file->entries().at(mark->entry)->time());
    case SourceKind: {
        const size_t source = size_t(mark->bookmark.source);
        return source < file->sources().size() ? file->sources()[source].name : QString();
    }
    case LineKind:
        return mark->bookmark.line;
    case NoteKind:
        return mark->bookmark.note;
    case MessageKind:
        return messageOf(mark->entry);
    }
    return QVariant();
}

QVariant BookmarkModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return QVariant();
    static const char *const titles[] = {"Time", "Source", "Line", "Note", "Message"};
    return tr(titles[kindOf(section)]);
}

Qt::ItemFlags BookmarkModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() < columnCount() && kindOf(index.column()) == NoteKind)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool BookmarkModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !bookmarkAt(index.row()) || index.column() >= columnCount()
        || kindOf(index.column()) != NoteKind)
        return false;
    Bookmark &mark = rows[size_t(index.row())].bookmark;
    const QString note = value.toString().left(BookmarkSet::maxNoteLength);
    if (note == mark.note)
        return true;
    mark.note = note;
    emit dataChanged(index, index);
    emit noteEdited(mark.source, mark.line, note);
    return true;
}
