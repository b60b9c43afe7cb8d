#pragma once

#include "bookmarkset.h"
#include "entrylist.h"
#include "entrypresentation.h"
#include "rowload.h"
#include "followsession.h"
#include "logtypes.h"
#include "recordexport.h"
#include "rowpresenter.h"
#include "rowvisibility.h"
#include "viewercolumns.h"
#include "viewerfind.h"

#include <QList>
#include <QString>
#include <QTreeWidget>

#include <functional>
#include <memory>
#include <vector>

class BackgroundWork;
class CompiledFilter;
class LogFile;
class LogFileEntry;
class LogRowItem;
class QMenu;
class QProgressBar;
class QTimer;
class QTreeWidgetItem;
class RobotAction;
class RowLoad;
class RowMatcher;
class SourceWatch;
class ViewHiddenSet;
class ViewerRows;
struct RowPiece;

// Shows one log file as a six-column tree: top-level row i is entry i, the
// sub-actions of an action record hang below its row, and while the user
// moves through the rows, the other end of the current row's action (its
// start, or its completion or cancellation) is highlighted.
//
// Top-level rows carry the entry number in column 0 under Qt::UserRole and
// are never reordered, so filters can map rows back to entries. Rows store
// nothing but what they show and ask the viewer for their cells, which
// EntryPresentation words.
//
// The viewer composes: the load of its file (RowLoad), which rows show
// (RowVisibility, worked out by filter passes on worker threads), the view's
// own record of hidden rows (ViewHiddenSet), the search (ViewerFind), the
// export (RecordExport) and following (FollowSession). isBusy() says
// whether any of the work that changes its rows is still going on.
class LogFileViewer final : public QTreeWidget
{
    Q_OBJECT

public:
    // Sub-action rows are made by walking shared action objects, so a crafted
    // file can ask for any number of them. These bound what one viewer builds;
    // whatever is left out is marked by a child row reading omittedRowsText.
    static constexpr int maxSubActionDepth = 64;
    static constexpr int minSubActionBudget = 1000000;
    static constexpr int subActionBudgetPerEntry = 4;
    // The number of sub-action rows a viewer of `entryCount` entries may build:
    // max(minSubActionBudget, subActionBudgetPerEntry * entryCount).
    static int defaultSubActionBudget(int entryCount);
    static const QString &omittedRowsText();

    // What a record shows; EntryPresentation's, here for those who know
    // them by the viewer.
    static QString timeText(double time);
    static const QString &typeName(EntryType type);
    static const QString &activityName(ActionActivity activity);
    static QString actionText(const RobotAction &action);

    // Shows a loaded file; its rows are built at once, on this thread.
    explicit LogFileViewer(std::shared_ptr<LogFile> file, QWidget *parent = nullptr);
    // The same, with another bound for the number of sub-action rows.
    LogFileViewer(std::shared_ptr<LogFile> file, QWidget *parent, int budget);
    // Reads the file at `path` on a worker thread from `fd`, a file
    // descriptor open for reading that the viewer closes. A file read to be
    // `followed` shows no last line before its line end.
    LogFileViewer(const QString &path, int fd, QWidget *parent = nullptr, bool followed = false);
    // Reads several files on worker threads and shows their records merged
    // by time, with a seventh column, Source, after Time.
    explicit LogFileViewer(std::vector<MergedLoad::Member> members, QWidget *parent = nullptr);
    ~LogFileViewer() override;
    Q_DISABLE_COPY_MOVE(LogFileViewer)

    // The row of the other end of the action of entry `row`: for Start the
    // nearest later Complete or Cancel record of the same action id, for any
    // other activity the nearest earlier Start record; -1 when there is none.
    int findPartner(int row, ActionActivity activity) const;
    // "Time <partner time>, <partner activity>" for an action row; empty when
    // the row has no partner.
    QString partnerToolTip(int row) const;

    // The file shown; empty while it is being read.
    const std::shared_ptr<LogFile> &logFile() const { return file; }
    const QString &path() const { return filePath; }
    // The highlighted top-level row, -1 when none is.
    int highlightedRow() const { return presenter.highlightedRow(); }
    // Sub-action rows built, not counting the rows that mark omissions.
    int subActionRowCount() const { return subActionRows; }

    bool isLoading() const { return loading; }
    // Whether the viewer shows several files merged.
    bool isMergedView() const { return mergedView; }
    // The logical column of the Source cells of a merged view.
    static constexpr int sourceColumn = EntryPresentation::ColumnCount;
    // The colour that marks a source's records.
    static QColor sourceColour(int source);

    // Shows only the entry rows for which `expression` is true. Returns false
    // (and sets `error`) when it does not parse; nothing changes then. An
    // empty expression shows every row. A filter given while the file loads
    // applies once it is read; one given while another runs replaces it.
    bool applyFilter(const QString &expression, QString *error = nullptr);
    // The same with a filter compiled already; false when it is not valid.
    bool applyFilter(std::shared_ptr<const CompiledFilter> filter);
    void clearFilter() { applyFilter(QString()); }
    // The filter that applies, empty when none does.
    const QString &filterText() const;
    // The same as compiled; null before any filter was applied.
    const std::shared_ptr<const CompiledFilter> &compiledFilter() const { return filter; }
    // Entry rows shown.
    int shownRowCount() const { return visibility.shownCount(); }

    // Whether the viewer is reading its file, filtering, exporting, or
    // bringing the view's record of hidden rows in line.
    bool isBusy() const { return busy; }
    // Lets go of the tab: the viewer hides, frees its rows a piece at a time
    // and off this thread, and deletes itself.
    void dispose();
    // For a program that quits: a large viewer stops its work and leaves its
    // rows to the system, which takes them back with the process at once.
    void abandon();
    // Expands every row with sub-action rows (once busy work is done), or
    // folds them all; the current row stays in view.
    void expandAllRows();
    void collapseAllRows();

    // Threads a filter pass uses; 0 for one per core.
    static void setFilterThreadCount(int count);

    // Per entry, whether the filter hides its row.
    const std::vector<bool> &filteredOutRows() const { return visibility.hiddenRows(); }

    // Shows `rows` rows before and after every row the filter keeps; rows
    // shown only for that are drawn in a lighter colour.
    void setContextRows(int rows);
    int contextRowCount() const { return visibility.contextRows(); }
    // Whether entry `row` shows only as context of the rows a filter keeps.
    bool isContextRow(int row) const { return visibility.isContextRow(row); }

    // The selected rows as tab-separated text, six cells a line, sub-action
    // rows indented as shown; and the text of the current cell.
    QString selectedRowsText() const;
    QString currentCellText() const;
    // Copies the selected rows' records as their files hold them (each
    // record once, with its continuation lines, in the order the rows
    // show), read off this thread when there is much; originalLinesCopied()
    // follows.
    void copyOriginalLines();
    // Its key, Ctrl+Shift+C, which works while the tree has the focus.
    static QKeySequence originalLinesKey();
    // Writes the records of the rows shown to `path` as record lines in the
    // log's own format, which read back as the same records and action
    // links; off this thread, into a file put in place only when complete.
    // exportFinished() follows.
    // `form` Original writes the records' original lines instead.
    void exportShownRows(const QString &path, RecordExport::Form form = RecordExport::Form::Rebuilt);
    // Whether every row shows (no filter left any out): an export then
    // writes the original lines unless told otherwise.
    bool showsAllRows() const { return visibility.shownCount() == visibility.rowCount(); }
    // The same, written to `device` on this thread.
    bool exportShownRows(QIODevice &device, QString *error = nullptr) const;
    // Who writes the exports of exportShownRows(path). By default the
    // viewer does, with work of its own, whose result goes with the viewer.
    // A window sets a runner of its own that writes `rows` rows of `file`
    // (those `hidden` does not hide) to `path` and then calls `done` with
    // the result on this thread, so that it hears of every export, also of
    // one whose viewer is gone by then (`done` then does nothing).
    using ExportRunner = std::function<void(std::shared_ptr<LogFile> file, std::vector<bool> hidden, int rows,
                                            const QString &path, RecordExport::Done done, RecordExport::Form form)>;
    void setExportRunner(ExportRunner runner) { exportRunner = std::move(runner); }

    // Counts, off this thread, the shown entry rows with `text` in one of
    // their cells, and marks it in the cells; findCounted() follows. An
    // empty text ends the search.
    void find(const QString &text, bool caseSensitive, bool regularExpression);
    int findCount() const { return search.count(); }
    // Whether the matches are still being counted.
    bool isCounting() const { return search.isCounting(); }
    // The match the current row is, from 0; -1 when it is none.
    int findIndex() const { return search.indexOf(currentEntry()); }
    // Selects and centres the next (or previous) match from the current
    // row, going round at the end; false when there is none.
    bool findNext(bool forward);
    bool isFindValid() const { return search.isValid(); }

    // Selects and centres the first shown row at or after `time`; false
    // when there is none.
    bool goToTime(double time);
    // Selects and centres the other end of the current row's action.
    bool goToPartner();
    // Selects and centres the next (or previous) shown record of `type`
    // from the current row; false when there is none.
    bool goToNext(EntryType type, bool forward);
    // Makes entry `row` current, selected and centred.
    void showEntry(int row);
    // The entry of the current row (the record a sub-action row belongs
    // to); -1 when there is none.
    int currentEntry() const;
    // The menu for a row: copy, export and quick filters about its record.
    QMenu *createContextMenu(const QModelIndex &index);

    // Follows the file: lines a writer appends show within a second, read
    // from where the reading stopped, linked and filtered as a load of the
    // whole file would. reloadNeeded() says when that cannot go on.
    void setFollowing(bool on);
    bool isFollowing() const { return following; }

    // What a reload keeps: the filter, the context, following, the current
    // entry, the entry at the top of the view, and whether the view was at
    // its end.
    struct ViewState
    {
        QString filter;
        int contextRows = 0;
        bool following = false;
        int currentEntry = -1;
        int topEntry = -1;
        bool atEnd = false;
        QDateTime timeOrigin;
        // The bookmarks, with what tells whether the file is still theirs.
        std::shared_ptr<const BookmarkCarry> bookmarks;
    };
    ViewState viewState() const;
    // Applies `state` to a viewer still loading its file: the filter at
    // once, the position once the rows it keeps show, where they exist.
    void restoreViewState(const ViewState &state);

    // Line numbers and clock time (viewerlines.cpp): the Line column, the
    // time origin and its Clock column, Go to Line, and the shown cells
    // exported.
    void setLineNumbersShown(bool on);
    bool lineNumbersShown() const { return columns.lineNumbers; }
    // The logical column of the Line (Clock) cells; -1 before it is made.
    int lineColumn() const { return columns.lineColumn; }
    int clockColumn() const { return columns.clockColumn; }
    // The wall-clock date and time of time 0, in UTC; invalid when unset.
    QDateTime timeOrigin() const { return columns.origin; }
    // An invalid origin clears it; its date and time are taken as they read.
    void setTimeOrigin(const QDateTime &origin);
    // The line of its file entry `number` starts on; 0 when unknown.
    qint64 lineOfEntry(int number) const;
    // Where Go to Line leads: the entry selected (-1 for none), and whether
    // the record of that line is hidden by the filter.
    struct LineTarget
    {
        int entry = -1;
        bool hidden = false;
        bool pastEnd = false;
    };
    // Selects and centres the shown record whose text holds `line` of the
    // file of `source` (-1 for a single file).
    LineTarget goToLine(qint64 line, int source = -1);
    // Writes the rows shown as their shown cells, tab-separated, to `path`
    // off this thread; exportFinished() follows.
    void exportShownCells(const QString &path);
    // Whether the highlight rules are being applied to the whole file
    // (viewerhighlights.cpp); highlightsApplied() follows.
    bool isHighlighting() const { return highlighting; }
    // The column whose header reads `name` hidden (or shown again) in every
    // viewer, remembered by the window; and the header's menu of the
    // columns, made by a right click (viewercolumns.cpp).
    static void setColumnHiddenByUser(const QString &name, bool hidden);
    static bool isColumnHiddenByUser(const QString &name);
    QMenu *createColumnMenu();
    // Bookmarks: records marked by (source, line), each with a note
    // (viewerbookmarks.cpp). bookmarks() lists them in the order of the
    // records; setBookmarks() replaces them, also while the file is read
    // (they are placed once its lines are known).
    std::vector<Bookmark> bookmarks() const;
    void setBookmarks(std::vector<Bookmark> marks);
    const BookmarkSet &bookmarkSet() const { return marked; }
    // Marks the current record or takes its mark away; false when no record
    // is current. Whether it is marked now goes to `nowMarked`.
    bool toggleBookmark(bool *nowMarked = nullptr);
    // Asks for the note of the current record's bookmark in a small dialog
    // (bookmarkNoteDialog), which makes the bookmark; false when no record is
    // current.
    bool editBookmarkNote();
    bool setBookmarkNote(int source, qint64 line, const QString &note);
    bool removeBookmark(int source, qint64 line);
    // Selects the next (previous) bookmarked row shown from the current row,
    // going round; false when no bookmarked row shows.
    bool goToBookmark(bool forward);
    // Selects the bookmarked row of (source, line); false when it is hidden
    // or there is no such bookmark.
    bool showBookmark(int source, qint64 line);

    // What a row of this viewer shows (used by the rows themselves).
    QVariant rowData(const LogRowItem &row, int column, int role, bool &handled) const;

    void doItemsLayout() override;

protected:
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void paintEvent(QPaintEvent *event) override;
    // Copy takes the selected rows, not the view's one current cell.
    void keyPressEvent(QKeyEvent *event) override;
    // Columns left unfitted while the viewer was a tab not shown fit now.
    void showEvent(QShowEvent *event) override;

signals:
    void busyChanged(bool busy);
    void loadProgressChanged(int percent);
    // The file has been read and its rows are shown.
    void loaded();
    // A filter has been applied: `shown` of `total` entry rows are shown.
    void filterApplied(int shown, int total);
    // The current row moved to a row of entry `row`.
    void currentEntryChanged(int row);
    // A quick filter was chosen: a clause to add to the filter.
    void quickFilterChosen(const QString &clause);
    // Export was chosen from the row menu.
    void exportRequested();
    // A search has been counted.
    void findCounted(int count);
    // An export has ended: `rows` rows were written to `path`, or `error`
    // says why not.
    void exportFinished(bool written, int rows, const QString &path, const QString &error);
    // Copy Original Lines has put `records` records on the clipboard, or
    // `error` says why not.
    void originalLinesCopied(int records, const QString &error);
    // Following added entries; `total` are shown in all.
    void rowsAppended(int added, int shown, int total);
    // The followed file can only be shown right by reading it again.
    void reloadNeeded(ReloadReason reason);
    // "Shift Time of This Source..." was chosen on a row of `source`.
    void shiftSourceRequested(int source);
    // The highlight rules' colours are in for every row.
    void highlightsApplied();
    // A bookmark was set, removed or given a note.
    void bookmarksChanged();
    // Bookmarks carried over a reload were dropped: the files `names` were
    // written anew.
    void bookmarksDropped(const QString &names);

private:
    void initialize();
    void startLoading(int fd, bool followed);
    void startProgress();
    void install(std::shared_ptr<LogFile> loaded, ViewerRows &rows);
    // Queues rows to be added to the view, a piece at a time.
    void queueRows(RowPiece &piece);
    void insertPendingRows();
    // The rows not in the view yet, which the caller now owns.
    QList<QTreeWidgetItem *> takeUninsertedRows();
    void finishLoading();
    void fitColumns();
    // Indexes the partners of up to `limit` more records of the file;
    // whether every record is indexed.
    bool indexPartners(int limit);
    // Widens the Type and Activity columns for the names of these bits.
    void fitNameColumns(unsigned types, unsigned activities);
    void showProgress();
    void dropProgressBar();
    // The rows show: their filter has applied.
    void unveil();
    // Hides the rows (shows them again) while a filter waits for them.
    void veil(bool on);
    // Rows added while the file is read: the columns fit the first of them,
    // and a reload's position is kept as soon as its rows are in.
    void showRowsReadSoFar();
    // What the rows show: the file's records, or while it is read, those
    // handed over so far.
    RowRecords records() const;
    void keepCurrentInView();
    void onCurrentItemChanged(QTreeWidgetItem *current, QTreeWidgetItem *previous);
    void fitTimeColumn(const QString &widest);

    void startFilterPass();
    void applyKeptRows(std::vector<char> &&kept);
    // The filter's verdicts on the entries from `first` to the end, judged
    // on this thread.
    std::vector<char> judge(int first) const;
    // Shows the rows visibility says, keeping the current row in view.
    void showVisibleRows();
    void scheduleHiddenSync();
    void syncHiddenSet();
    void startFind();
    void copyRows();
    void copyCell();
    // Copy Original Lines in the row menu, after the other copies.
    void addOriginalLinesEntry(QMenu *menu);
    // The entries of the selected rows shown (a sub-action row's record).
    std::vector<int> selectedEntries() const;
    void continueDisposing();
    void updateBusy();

    void startFollowSession();
    // A merged view: its Source column, what the column shows, and the
    // entries of the row menu about a record's source.
    void setUpSourceColumn();
    QVariant sourceData(const LogRowItem &row, int role, bool &handled) const;
    QVariant lineData(const LogRowItem &row, int role, bool &handled) const;
    QVariant clockData(const LogRowItem &row, int role, bool &handled) const;
    int addColumn(const QString &label, int visualIndex);
    // Whether the Line column shows: asked for, and not hidden by the user.
    void updateLineColumn();
    void fitExtraColumns();
    void refreshFind();
    void addExtraCells(RowMatcher &matcher) const;
    void addSourceEntries(QMenu *menu, const LogFileEntry *entry);
    // A quick filter's clause; in a merged view, "Only this action" keeps
    // to the record's own file, where its number belongs.
    QString quickClause(int kind, const LogFileEntry &entry, const RobotAction *subAction) const;
    void setWatching(bool on);
    void appendFollowedRows(int first, int end);
    // The last row's record was continued: shown anew in its place.
    void showContinuedRow(int row);
    void restorePosition();
    // The highlight rules and the columns the user hid, which every viewer
    // follows.
    void initializeLook();
    void startHighlightPass();
    // What ends an export: the viewer is no longer busy with it, and says
    // how it went, if it is still there.
    RecordExport::Done exportDone();
    // Finds the first rule of the entries from `first` on, on this thread.
    void highlightFrom(int first);
    void initializeColumns();
    void applyHiddenColumns();
    // The bookmark's marker and note in the first shown column.
    QVariant markedData(const LogRowItem &row, int column, int role, bool &handled) const;
    // Places the bookmarks waiting for the file's lines, and repaints.
    void placeBookmarks();
    void bookmarksEdited(bool refilter);
    void addBookmarkEntries(QMenu *menu, const QModelIndex &index);
    // Following found the file replaced, cut shorter or written anew.
    void noteReloadReason(ReloadReason reason);

    std::shared_ptr<LogFile> file;
    QString filePath;
    BackgroundWork *work = nullptr;

    // What the rows show, and the partner highlight.
    RowPresenter presenter;
    // Per entry, whether its row has sub-action rows.
    std::vector<bool> hasChildren;
    int subActionBudget = 0;
    int subActionRows = 0;
    QString widestTimeText;
    unsigned typesSeen = 0;
    unsigned activitiesSeen = 0;

    // Loading: the rows come in pieces and go into the view a piece at a
    // time.
    std::shared_ptr<RowLoad> load;
    QProgressBar *progressBar = nullptr;
    QTimer *progressTimer = nullptr;
    bool loading = false;
    QList<QTreeWidgetItem *> pendingRows;
    // How many of pendingRows, from the first, are in the view already.
    int pendingInserted = 0;
    bool insertionScheduled = false;
    int expectedRows = 0;
    int rowsComing = 0;
    // The file has been read and its last rows handed over.
    bool loadDone = false;
    // The records of the rows handed over while the file is read, by entry;
    // the file itself is the loader's until it is all read.
    EntryList readEntries;
    bool columnsFittedWhileLoading = false;
    // The rows wait for the filter asked for while the file is read.
    bool veiled = false;
    // The columns wait to be fitted until the viewer shows.
    bool columnsUnfitted = false;

    // Filtering: which rows show, and the pass that works it out.
    std::shared_ptr<const CompiledFilter> filter;
    CancelToken filterPass;
    bool filtering = false;
    RowVisibility visibility;
    std::unique_ptr<ViewHiddenSet> hiddenSet;
    bool syncScheduled = false;
    // Changes whenever the rows to show do, for the layout.
    quint64 filterGeneration = 0;

    ViewerFind search;

    FollowSession *follow = nullptr;
    bool following = false;
    // Where the load stopped reading, for following from there; none for a
    // file handed over already read.
    std::unique_ptr<const LogLoader::Source> source;
    std::unique_ptr<ViewState> pendingRestore;

    ViewerColumns columns;
    BookmarkSet marked;
    // Bookmarks given before the file's lines were known.
    std::shared_ptr<const BookmarkCarry> waitingBookmarks;
    bool writtenAnew = false;

    bool mergedView = false;
    // A merged view is followed by watching its files and merging anew.
    SourceWatch *watch = nullptr;

    bool busy = false;
    bool exporting = false;
    CancelToken originalLinesCopy;
    bool copyingOriginal = false;
    ExportRunner exportRunner;
    bool disposing = false;
    bool expandWhenIdle = false;
    CancelToken highlightPass;
    bool highlighting = false;
};
