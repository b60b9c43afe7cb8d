#pragma once

#include "bookmarkset.h"

#include <QAbstractTableModel>

#include <memory>
#include <vector>

class LogFile;

// The bookmarks of one tab, a row each in the order of the records: Time,
// Line, the Source in a merged tab, Note and Message. The note is edited in
// place; noteEdited() asks for it to be kept, the model shows it at once.
class BookmarkModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Kind { TimeKind, SourceKind, LineKind, NoteKind, MessageKind };
    // The longest message a row shows.
    static constexpr int maxMessageLength = 300;

    explicit BookmarkModel(QObject *parent = nullptr);

    // Shows `bookmarks` of `file` (nothing without a file). When the same
    // bookmarks show already, only their notes change.
    void setBookmarks(std::shared_ptr<LogFile> file, std::vector<BookmarkSet::Placed> bookmarks);
    const BookmarkSet::Placed *bookmarkAt(int row) const;
    // What column `column` shows, and the column that shows `kind`; -1 when none does.
    Kind kindOf(int column) const { return kinds.at(size_t(column)); }
    int columnOf(Kind kind) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
    void noteEdited(int source, qint64 line, const QString &note);

private:
    QString messageOf(int entry) const;

    std::shared_ptr<LogFile> file;
    std::vector<BookmarkSet::Placed> rows;
    std::vector<Kind> kinds;
};
