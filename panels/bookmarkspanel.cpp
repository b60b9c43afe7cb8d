#include "bookmarkspanel.h"

#include "bookmarkmodel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

BookmarksPanel::BookmarksPanel(QWidget *parent)
    : QWidget(parent)
    , bookmarkModel(new BookmarkModel(this))
    , view(new QTableView(this))
    , hint(new QLabel(tr("No bookmarks: Ctrl+B marks the current row."), this))
{
    view->setObjectName(QStringLiteral("bookmarksTable"));
    view->setModel(bookmarkModel);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    // A double-click goes to the bookmark; the note is edited by typing or
    // a click on the chosen note.
    view->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::AnyKeyPressed
                          | QAbstractItemView::EditKeyPressed);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(true);
    view->installEventFilter(this);
    hint->setObjectName(QStringLiteral("bookmarksHint"));
    hint->setEnabled(false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(hint);
    layout->addWidget(view);
    connect(view, &QAbstractItemView::activated, this, [this](const QModelIndex &index) {
        if (const BookmarkSet::Placed *mark = bookmarkModel->bookmarkAt(index.row()))
            emit goRequested(mark->bookmark.source, mark->bookmark.line);
    });
    connect(bookmarkModel, &BookmarkModel::noteEdited, this, &BookmarksPanel::noteEdited);
    connect(bookmarkModel, &QAbstractItemModel::modelReset, this, [this] {
        hint->setVisible(bookmarkModel->rowCount() == 0);
        view->resizeColumnsToContents();
    });
}

void BookmarksPanel::setBookmarks(std::shared_ptr<LogFile> file, std::vector<BookmarkSet::Placed> bookmarks)
{
    bookmarkModel->setBookmarks(std::move(file), std::move(bookmarks));
}

bool BookmarksPanel::eventFilter(QObject *watched, QEvent *event)
{
    // Keys typed into a note's editor go to the editor, not here.
    if (watched == view && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
            removeChosen();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void BookmarksPanel::removeChosen()
{
    std::vector<Bookmark> chosen;
    QModelIndexList rows = view->selectionModel()->selectedRows();
    if (rows.isEmpty() && view->currentIndex().isValid())
        rows << view->currentIndex();
    for (const QModelIndex &row : rows) {
        if (const BookmarkSet::Placed *mark = bookmarkModel->bookmarkAt(row.row()))
            chosen.push_back(mark->bookmark);
    }
    if (!chosen.empty())
        emit removeRequested(std::move(chosen));
}
