#include "runcomparisonview.h"

#include "logfile.h"
#include "runcolumns.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

struct Outcome
{
    std::shared_ptr<const RunComparison> comparison;
    // The files read for the comparison: its runs point into them.
    std::shared_ptr<LogFile> fileA;
    std::shared_ptr<LogFile> fileB;
    QString failure;
};

// The file of a source, read here when it is not loaded yet.
std::shared_ptr<LogFile> fileOf(const RunComparisonView::Source &source, QString &failure)
{
    if (source.file)
        return source.file;
    QStringList errors;
    std::shared_ptr<LogFile> file = LogFile::load(source.path, errors);
    if (!file)
        failure = QCoreApplication::translate("RunComparisonView", "could not read '%1'").arg(source.path);
    else
        file->moveToThread(QCoreApplication::instance()->thread());
    return file;
}

} // namespace

RunComparisonView::RunComparisonView(Source a, Source b, QWidget *parent)
    : QWidget(parent)
    , sourceA(std::move(a))
    , sourceB(std::move(b))
    , work(new BackgroundWork(this))
    , progressValue(std::make_shared<std::atomic<int>>(0))
{
    setObjectName(QStringLiteral("runComparison"));
    progress = new QProgressBar(this);
    progress->setObjectName(QStringLiteral("comparisonProgress"));
    progress->setRange(0, 100);
    cancelButton = new QPushButton(tr("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("comparisonCancel"));
    connect(cancelButton, &QPushButton::clicked, this, &RunComparisonView::cancel);
    exportButton = new QPushButton(tr("Export CSV..."), this);
    exportButton->setObjectName(QStringLiteral("comparisonExportCsv"));
    exportButton->setEnabled(false);
    connect(exportButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, tr("Export CSV"), QString(), tr("CSV files (*.csv)"));
        if (path.isEmpty())
            return;
        setStatus(exportCsvTo(path) ? tr("wrote '%1'").arg(path) : tr("could not write '%1'").arg(path));
    });
    summary = new QLabel(this);
    summary->setObjectName(QStringLiteral("comparisonSummary"));
    summary->setText(tr("A: %1    B: %2")
                         .arg(QFileInfo(sourceA.file ? sourceA.file->path() : sourceA.path).fileName(),
                              QFileInfo(sourceB.file ? sourceB.file->path() : sourceB.path).fileName()));
    pages = new QTabWidget(this);
    pages->setObjectName(QStringLiteral("comparisonTables"));
    byName = new ComparisonByNameModel(this);
    sequence = new ComparisonSequenceModel(this);
    newErrors = new ComparisonNewErrorsModel(this);
    addTable(byName, QStringLiteral("comparisonByName"), tr("By action name"));
    addTable(sequence, QStringLiteral("comparisonSequence"), tr("Sequence"));
    addTable(newErrors, QStringLiteral("comparisonNewErrors"), tr("New errors"));

    auto *bar = new QHBoxLayout;
    bar->addWidget(summary, 1);
    bar->addWidget(progress);
    bar->addWidget(cancelButton);
    bar->addWidget(exportButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(pages, 1);
    // Started once the page is in place, so that whoever made it hears busyChanged.
    QTimer::singleShot(0, this, &RunComparisonView::start);
    running = true;
}

RunComparisonView::~RunComparisonView()
{
    token.cancel();
}

QTableView *RunComparisonView::addTable(ComparisonModel *model, const QString &objectName, const QString &title)
{
    auto *sorter = new QSortFilterProxyModel(this);
    sorter->setSourceModel(model);
    sorter->setSortRole(Qt::UserRole);
    auto *view = new QTableView(pages);
    view->setObjectName(objectName);
    view->setModel(sorter);
    // The rows' own order (worst first, start order) until a header is clicked.
    view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    view->setSortingEnabled(true);
    sorter->sort(-1);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    // Columns fit the rows near the top: measuring every one of a hundred
    // thousand runs holds up the window.
    view->horizontalHeader()->setResizeContentsPrecision(200);
    auto *copy = new QAction(tr("Copy"), view);
    copy->setObjectName(objectName + QStringLiteral("Copy"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, [this] {
        if (shownTable()->selectionModel()->hasSelection())
            QApplication::clipboard()->setText(selectedText());
    });
    view->addAction(copy);
    connect(view, &QTableView::doubleClicked, this, [this, model, sorter](const QModelIndex &index) {
        const ComparisonModel::Record record = model->recordOf(sorter->mapToSource(index).row());
        if (record.side >= 0 && record.row >= 0)
            emit recordRequested(record.side, record.row);
    });
    pages->addTab(view, title);
    return view;
}

void RunComparisonView::start()
{
    // Cancelled before it began.
    if (!running)
        return;
    setStatus(tr("comparing runs..."));
    emit busyChanged(true);
    auto *poll = new QTimer(this);
    poll->setInterval(50);
    connect(poll, &QTimer::timeout, this, [this, poll] {
        progress->setValue(progressValue->load(std::memory_order_relaxed));
        if (!running)
            poll->deleteLater();
    });
    poll->start();
    token = work->run(
        [a = sourceA, b = sourceB, value = progressValue](const CancelToken &token) {
            Outcome out;
            out.fileA = fileOf(a, out.failure);
            if (out.fileA)
                out.fileB = fileOf(b, out.failure);
            if (!out.fileA || !out.fileB || token.isCancelled())
                return out;
            const LogFile::ReadAccess readA(*out.fileA);
            const LogFile::ReadAccess readB(*out.fileB);
            out.comparison = RunComparison::compute(readA, readB, token.flag(), value.get());
            return out;
        },
        [this](const Outcome &out) {
            // Keeps the files the runs point into for as long as the page shows them.
            sourceA.file = out.fileA;
            sourceB.file = out.fileB;
            finish(out.comparison, out.failure);
        });
}

void RunComparisonView::cancel()
{
    if (!running)
        return;
    token.cancel();
    finish(nullptr, tr("comparison cancelled"));
}

void RunComparisonView::finish(const std::shared_ptr<const RunComparison> &comparison, const QString &failure)
{
    running = false;
    progress->hide();
    cancelButton->hide();
    if (comparison) {
        byName->setComparison(comparison);
        sequence->setComparison(comparison);
        newErrors->setComparison(comparison);
        exportButton->setEnabled(true);
        for (int page = 0; page < pages->count(); ++page)
            static_cast<QTableView *>(pages->widget(page))->resizeColumnsToContents();
        auto *sequenceView = findChild<QTableView *>(QStringLiteral("comparisonSequence"));
        if (comparison->firstDifference >= 0) {
            pages->setCurrentWidget(sequenceView);
            sequenceView->selectRow(comparison->firstDifference);
            sequenceView->scrollTo(sequenceView->model()->index(comparison->firstDifference, 0));
        }
        setStatus(comparison->firstDifference >= 0 ? comparison->firstDifferenceText
                                                   : tr("no difference in the sequence of runs"));
    } else {
        setStatus(failure.isEmpty() ? tr("comparison failed") : failure);
    }
    emit busyChanged(false);
}

void RunComparisonView::setStatus(const QString &text)
{
    status = text;
    emit statusChanged(text);
}

QTableView *RunComparisonView::shownTable() const
{
    return static_cast<QTableView *>(pages->currentWidget());
}

QString RunComparisonView::selectedText() const
{
    const QTableView *view = shownTable();
    const QAbstractItemModel *model = view->model();
    QModelIndexList selected = view->selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex &x, const QModelIndex &y) { return x.row() < y.row(); });
    QStringList header;
    for (int column = 0; column < model->columnCount(); ++column)
        header.push_back(model->headerData(column, Qt::Horizontal).toString());
    QString text = TableText::tsvLine(header) + QLatin1Char('\n');
    for (const QModelIndex &row : selected) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells.push_back(model->index(row.row(), column).data().toString());
        text += TableText::tsvLine(cells) + QLatin1Char('\n');
    }
    return text;
}

bool RunComparisonView::exportCsvTo(const QString &path) const
{
    const QAbstractItemModel *model = shownTable()->model();
    QStringList header;
    for (int column = 0; column < model->columnCount(); ++column)
        header.push_back(model->headerData(column, Qt::Horizontal).toString());
    QString text = TableText::csvLine(header);
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells.push_back(model->index(row, column).data().toString());
        text += TableText::csvLine(cells);
    }
    QSaveFile file(path);
    const QByteArray bytes = text.toUtf8();
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}
