#pragma once

#include "bookmarkset.h"

#include <QWidget>

#include <memory>
#include <vector>

class BookmarkModel;
class LogFile;
class QLabel;
class QTableView;

// The bookmarks of the current tab as a table (bookmarksTable): Return or a
// double-click asks to go to a bookmark, Delete to remove the chosen ones,
// and the note is edited in place. What it asks goes out as signals; the
// window carries it to the tab.
class BookmarksPanel final : public QWidget
{
    Q_OBJECT

public:
    explicit BookmarksPanel(QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(BookmarksPanel)

    void setBookmarks(std::shared_ptr<LogFile> file, std::vector<BookmarkSet::Placed> bookmarks);
    BookmarkModel *model() const { return bookmarkModel; }
    QTableView *table() const { return view; }

signals:
    void goRequested(int source, qint64 line);
    void removeRequested(std::vector<Bookmark> bookmarks);
    void noteEdited(int source, qint64 line, const QString &note);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void removeChosen();

    BookmarkModel *bookmarkModel = nullptr;
    QTableView *view = nullptr;
    QLabel *hint = nullptr;
};
