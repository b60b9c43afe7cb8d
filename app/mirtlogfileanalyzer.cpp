#include "mirtlogfileanalyzer.h"

#include "logfile.h"
#include "logfileviewer.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>

#include <vector>

namespace {

// How many of a file's reader messages the status tooltip lists, and how
// much of each: a message quotes its whole line, which may be megabytes long.
constexpr int maxListedMessages = 100;
constexpr int maxListedLength = 300;

} // namespace

MirtLogFileAnalyzer::MirtLogFileAnalyzer(QWidget *parent)
    : QMainWindow(parent)
{
    tabs = new QTabWidget(this);
    tabs->setTabsClosable(true);
    connect(tabs, &QTabWidget::tabCloseRequested, this, &MirtLogFileAnalyzer::closeTab);
    setCentralWidget(tabs);

    fileMenu = menuBar()->addMenu(tr("&File"));
    connect(fileMenu->addAction(tr("Open...")), &QAction::triggered, this, &MirtLogFileAnalyzer::fileOpen);
    connect(fileMenu->addAction(tr("Close")), &QAction::triggered, this, &MirtLogFileAnalyzer::fileClose);
    viewMenu = menuBar()->addMenu(tr("&View"));
    connect(viewMenu->addAction(tr("Expand All")), &QAction::triggered, this, &MirtLogFileAnalyzer::viewExpandAll);
    connect(viewMenu->addAction(tr("Collapse All")), &QAction::triggered, this,
            &MirtLogFileAnalyzer::viewCollapseAll);

    statusLabel = new QLabel(QStringLiteral("Ready"));
    statusBar()->addWidget(statusLabel, 0);

    const QStringList arguments = QCoreApplication::arguments();
    for (int i = 1; i < arguments.size(); ++i)
        openLogFile(arguments.at(i));

    toolBar = addToolBar(tr("Tools"));
    // Named, so that the window state saved on close can restore it.
    toolBar->setObjectName(QStringLiteral("filterToolBar"));
    filterLabel = new QLabel(tr("Filter"), toolBar);
    toolBar->addWidget(filterLabel);
    filterEdit = new QLineEdit(toolBar);
    filterLabel->setBuddy(filterEdit);
    toolBar->addWidget(filterEdit);
    connect(filterEdit, &QLineEdit::returnPressed, this, &MirtLogFileAnalyzer::filterEntered);

    if (settings.contains(QStringLiteral("geometry")))
        restoreGeometry(settings.value(QStringLiteral("geometry")).toByteArray());
    else
        placeOnFirstStart();
    if (settings.contains(QStringLiteral("windowState")))
        restoreState(settings.value(QStringLiteral("windowState")).toByteArray(), 0);
    lastDir = settings.value(QStringLiteral("LastDir"), QStringLiteral(".")).toString();
}

MirtLogFileAnalyzer::~MirtLogFileAnalyzer() = default;

void MirtLogFileAnalyzer::placeOnFirstStart()
{
    // The size hint alone hides the Message column; start at about three
    // quarters of the screen, centred.
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QSize size = available.size() * 3 / 4;
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, available));
}

void MirtLogFileAnalyzer::setStatus(const QString &text, const QString &toolTip)
{
    statusLabel->setText(text);
    statusLabel->setToolTip(toolTip);
}

void MirtLogFileAnalyzer::openLogFile(const QString &path)
{
    QStringList messages;
    std::shared_ptr<LogFile> file = LogFile::load(path, messages);
    if (!file) {
        // A file that cannot be read at all must not vanish without a word.
        setStatus(messages.value(0));
        return;
    }

    auto *viewer = new LogFileViewer(file);
    viewerFiles.insert(viewer, file);
    const QString name = QFileInfo(path).baseName();
    tabs->addTab(viewer, name);

    if (!messages.isEmpty()) {
        const int count = messages.size();
        const QString text = count == 1
            ? QStringLiteral("1 line of %1 could not be read").arg(name)
            : QStringLiteral("%1 lines of %2 could not be read").arg(count).arg(name);
        QStringList listed = messages.mid(0, maxListedMessages);
        for (QString &message : listed) {
            if (message.size() > maxListedLength)
                message = message.left(maxListedLength) + QChar(0x2026);
        }
        if (count > maxListedMessages)
            listed << QStringLiteral("(%1 more)").arg(count - maxListedMessages);
        setStatus(text, listed.join(QLatin1Char('\n')));
    }
}

void MirtLogFileAnalyzer::fileOpen()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open File"), lastDir,
                                                      QStringLiteral("Log Files (*.log);;All Files(*.*)"));
    if (path.isEmpty())
        return;
    const QFileInfo info(path);
    if (info.exists()) {
        lastDir = info.absoluteDir().absolutePath();
        settings.setValue(QStringLiteral("LastDir"), lastDir);
        openLogFile(path);
    } else {
        QMessageBox::critical(this, QStringLiteral("Error"), QStringLiteral("The path given does not exist"),
                              QMessageBox::Ok, QMessageBox::NoButton);
    }
}

void MirtLogFileAnalyzer::fileClose()
{
    closeTab(tabs->currentIndex());
}

void MirtLogFileAnalyzer::closeTab(int index)
{
    QWidget *page = tabs->widget(index);
    if (!page)
        return;
    tabs->removeTab(index);
    viewerFiles.remove(static_cast<QTreeWidget *>(page));
    hiddenRows.remove(static_cast<QTreeWidget *>(page));
    // Nothing refers to a closed viewer any more; free it and its rows.
    page->deleteLater();
}

void MirtLogFileAnalyzer::viewExpandAll()
{
    if (auto *viewer = qobject_cast<QTreeWidget *>(tabs->currentWidget()))
        viewer->expandAll();
}

void MirtLogFileAnalyzer::viewCollapseAll()
{
    if (auto *viewer = qobject_cast<QTreeWidget *>(tabs->currentWidget()))
        viewer->collapseAll();
}

void MirtLogFileAnalyzer::filterEntered()
{
    const QString text = filterEdit->text();
    if (text.isEmpty()) {
        setStatus(QStringLiteral("Ready"));
        if (auto *viewer = qobject_cast<QTreeWidget *>(tabs->currentWidget())) {
            const std::vector<bool> hidden = hiddenRows.take(viewer);
            for (int row = 0; row < int(hidden.size()); ++row) {
                if (hidden[size_t(row)])
                    viewer->setRowHidden(row, QModelIndex(), false);
            }
        }
        return;
    }
    QString error;
    if (filter.parse(filterContext, text, error))
        applyFilter();
    else
        setStatus(error);
}

void MirtLogFileAnalyzer::applyFilter()
{
    auto *viewer = qobject_cast<QTreeWidget *>(tabs->currentWidget());
    if (!viewer)
        return;
    filterContext.setLogFile(viewerFiles.value(viewer));

    // Only rows whose visibility changes are touched, and by row number:
    // asking an item to hide itself makes the tree search for the item's row.
    const int count = viewer->topLevelItemCount();
    std::vector<bool> &hidden = hiddenRows[viewer];
    hidden.resize(size_t(count), false);
    for (int row = 0; row < count; ++row) {
        filterContext.setItem(viewer->topLevelItem(row));
        const bool hide = !mirt::expr::isTrue(filter.evaluate(filterContext));
        if (hidden[size_t(row)] != hide) {
            viewer->setRowHidden(row, QModelIndex(), hide);
            hidden[size_t(row)] = hide;
        }
    }
}

void MirtLogFileAnalyzer::closeEvent(QCloseEvent *event)
{
    settings.setValue(QStringLiteral("geometry"), saveGeometry());
    settings.setValue(QStringLiteral("windowState"), saveState(0));
    QMainWindow::closeEvent(event);
}
