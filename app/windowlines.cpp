// Line numbers and clock time in the window: View > Line Numbers, Go to
// Line, Time Origin, Go to Time by clock time, and the export of the shown
// cells.

#include "mirtlogfileanalyzer.h"

#include "clocktime.h"
#include "localpath.h"
#include "logfile.h"
#include "logfileentry.h"
#include "logfileviewer.h"
#include "logtab.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

const QString lineNumbersKey = QStringLiteral("LineNumbers");
// Lines are counted in 32 bits; a larger number is no line of any file.
constexpr qint64 maxLine = 4294967295LL;

// The line number typed, or why it is none.
qint64 typedLine(const QString &text, QString &error)
{
    bool number = false;
    const qint64 line = text.toLongLong(&number);
    const bool digits = !text.isEmpty()
        && std::all_of(text.begin() + (text.startsWith(QLatin1Char('-')) ? 1 : 0), text.end(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
    if (!digits)
        error = QStringLiteral("'%1' is not a line number: type a whole number such as 120").arg(text.left(40));
    else if (!number || line > maxLine)
        error = QStringLiteral("line %1 is too large for a line number").arg(text.left(40));
    else if (line < 1)
        error = QStringLiteral("there is no line %1: lines are counted from 1").arg(text);
    return error.isEmpty() ? line : 0;
}

} // namespace

void MirtLogFileAnalyzer::buildLineActions(QMenu *menu)
{
    menu->addSeparator();
    QAction *lineNumbers = menu->addAction(tr("Line Numbers"));
    lineNumbers->setObjectName(QStringLiteral("viewLineNumbers"));
    lineNumbers->setCheckable(true);
    lineNumbers->setChecked(settings.value(lineNumbersKey).toBool());
    connect(lineNumbers, &QAction::toggled, this, [this](bool on) {
        settings.setValue(lineNumbersKey, on);
        for (LogTab *tab : openTabs())
            tab->viewer()->setLineNumbersShown(on);
    });
    QAction *goTo = menu->addAction(tr("Go to Line..."));
    goTo->setObjectName(QStringLiteral("goToLine"));
    goTo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G));
    connect(goTo, &QAction::triggered, this, &MirtLogFileAnalyzer::goToLine);
    QAction *origin = menu->addAction(tr("Time Origin..."));
    origin->setObjectName(QStringLiteral("viewTimeOrigin"));
    connect(origin, &QAction::triggered, this, &MirtLogFileAnalyzer::chooseTimeOrigin);
}

bool MirtLogFileAnalyzer::lineNumbersWanted() const
{
    return settings.value(lineNumbersKey).toBool();
}

void MirtLogFileAnalyzer::goToLine()
{
    LogFileViewer *viewer = currentViewer();
    if (!viewer)
        return;
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("goToLineDialog"));
    dialog.setWindowTitle(tr("Go to Line"));
    auto *form = new QFormLayout(&dialog);
    auto *number = new QLineEdit(&dialog);
    number->setObjectName(QStringLiteral("goToLineNumber"));
    form->addRow(tr("Line:"), number);
    QComboBox *files = nullptr;
    const std::shared_ptr<LogFile> &file = viewer->logFile();
    if (viewer->isMergedView() && file) {
        // The file of the current row unless another is chosen.
        files = new QComboBox(&dialog);
        files->setObjectName(QStringLiteral("goToLineFile"));
        files->addItems(file->sourceNames());
        const int current = viewer->currentEntry();
        if (current >= 0 && current < file->entries().size())
            files->setCurrentIndex(file->entries().at(current)->source());
        form->addRow(tr("Of the file:"), files);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    number->setFocus();
    if (dialog.exec() != QDialog::Accepted || !tabs->isAncestorOf(viewer))
        return;
    QString error;
    const QString text = number->text().trimmed();
    const qint64 line = typedLine(text, error);
    if (!error.isEmpty()) {
        setStatus(error);
        return;
    }
    if (viewer->isLoading()) {
        setStatus(QStringLiteral("the file is still being read"));
        return;
    }
    const int source = files ? files->currentIndex() : -1;
    const QString of = files ? QStringLiteral(" of %1").arg(files->currentText()) : QString();
    const LogFileViewer::LineTarget target = viewer->goToLine(line, source);
    if (target.entry < 0)
        setStatus(QStringLiteral("no row is shown"));
    else if (target.hidden)
        setStatus(QStringLiteral("line %1%2 is in a record the filter hides: line %3, the nearest record shown, is selected")
                      .arg(line).arg(of).arg(viewer->lineOfEntry(target.entry)));
    else if (target.pastEnd)
        setStatus(QStringLiteral("line %1 is past the end of the file: its last record (line %2) is selected")
                      .arg(line)
                      .arg(viewer->lineOfEntry(target.entry)));
    else
        setStatus(QStringLiteral("line %1%2").arg(line).arg(of));
}

void MirtLogFileAnalyzer::chooseTimeOrigin()
{
    LogFileViewer *viewer = currentViewer();
    if (!viewer)
        return;
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("timeOrigin"));
    dialog.setWindowTitle(tr("Time Origin"));
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(tr("The wall-clock date and time of time 0 (YYYY-MM-DD hh:mm:ss.zzz):"), &dialog));
    auto *text = new QLineEdit(&dialog);
    text->setObjectName(QStringLiteral("timeOriginText"));
    text->setPlaceholderText(QStringLiteral("2024-05-17 08:30:00.000"));
    if (viewer->timeOrigin().isValid())
        text->setText(clocktime::formatMsecs(viewer->timeOrigin().toMSecsSinceEpoch()));
    layout->addWidget(text);
    // Or the clock time the selected record happened at.
    const int entry = viewer->isLoading() ? -1 : viewer->currentEntry();
    const std::shared_ptr<LogFile> &file = viewer->logFile();
    const bool hasRecord = file && entry >= 0 && entry < file->entries().size();
    const double recordTime = hasRecord ? file->entries().at(entry)->time() : 0;
    auto *fromRecord = new QCheckBox(hasRecord ? tr("This is when the selected record (time %1) happened")
                                                     .arg(EntryPresentation::timeText(recordTime))
                                               : tr("This is when the selected record happened (select one first)"),
                                     &dialog);
    fromRecord->setObjectName(QStringLiteral("timeOriginFromRecord"));
    fromRecord->setEnabled(hasRecord);
    layout->addWidget(fromRecord);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QPushButton *clear = buttons->addButton(tr("Clear"), QDialogButtonBox::ResetRole);
    clear->setObjectName(QStringLiteral("timeOriginClear"));
    constexpr int cleared = 2;
    connect(clear, &QPushButton::clicked, &dialog, [&dialog] { dialog.done(cleared); });
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    text->setFocus();
    const int answer = dialog.exec();
    if (answer == QDialog::Rejected || !tabs->isAncestorOf(viewer))
        return;
    if (answer == cleared) {
        viewer->setTimeOrigin(QDateTime());
        setStatus(QStringLiteral("the time origin is cleared"));
        return;
    }
    const clocktime::Typed typed = clocktime::parse(text->text());
    if (!typed.valid || !typed.hasDate) {
        setStatus(QStringLiteral("'%1' is not a date and time: type it as YYYY-MM-DD hh:mm:ss.zzz")
                      .arg(text->text().trimmed().left(60)));
        return;
    }
    qint64 origin = typed.msecs;
    if (fromRecord->isChecked() && hasRecord) {
        const std::optional<qint64> offset = clocktime::clockMsecs(0, recordTime);
        if (!offset) {
            setStatus(QStringLiteral("the selected record's time is too far from 0 for a clock time"));
            return;
        }
        origin -= *offset;
    }
    viewer->setTimeOrigin(clocktime::fromMsecs(origin));
    setStatus(viewer->timeOrigin().isValid()
                  ? QStringLiteral("time 0 is at %1").arg(clocktime::formatMsecs(viewer->timeOrigin().toMSecsSinceEpoch()))
                  : QStringLiteral("that time origin is outside the years 1 to 9999"));
}

void MirtLogFileAnalyzer::goToClock(LogFileViewer *viewer, const QString &text)
{
    const clocktime::Typed typed = clocktime::parse(text);
    if (!typed.valid) {
        setStatus(QStringLiteral("'%1' is not a time: type seconds, hh:mm:ss or YYYY-MM-DD hh:mm:ss").arg(text.left(60)));
        return;
    }
    const QDateTime origin = viewer->timeOrigin();
    if (!origin.isValid()) {
        setStatus(QStringLiteral("a clock time needs the tab's time origin: set it with View > Time Origin..."));
        return;
    }
    if (viewer->isLoading()) {
        setStatus(QStringLiteral("the file is still being read"));
        return;
    }
    const qint64 originMsecs = origin.toMSecsSinceEpoch();
    const qint64 clock = clocktime::resolve(typed, originMsecs);
    if (!viewer->goToTime(clocktime::timeAtOrAfter(originMsecs, clock)))
        setStatus(QStringLiteral("no row shown at or after %1").arg(clocktime::formatMsecs(clock)));
}

void MirtLogFileAnalyzer::exportVisibleCells(const QString &path)
{
    if (LogFileViewer *viewer = currentViewer()) {
        setStatus(QStringLiteral("writing '%1'").arg(displayPath(path)));
        viewer->exportShownCells(path);
    }
}

QString MirtLogFileAnalyzer::shownCellsFilter()
{
    return QStringLiteral("Shown cells, tab-separated (*.tsv)");
}
