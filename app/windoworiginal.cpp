// The records' original lines: File > Export Visible Rows... offers them
// beside the record lines, and the status line says how Copy Original Lines
// went.

#include "mirtlogfileanalyzer.h"

#include "localpath.h"
#include "logtab.h"
#include "problemreport.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

const QString originalFilter = QStringLiteral("Original lines, as the file holds them (*.log)");
const QString rebuiltFilter = QStringLiteral("Records in the log's format (*.log)");
const QString anyFilter = QStringLiteral("All Files (*)");

} // namespace

RecordExport::Form MirtLogFileAnalyzer::defaultExportForm() const
{
    const LogFileViewer *viewer = currentViewer();
    return viewer && viewer->showsAllRows() ? RecordExport::Form::Original : RecordExport::Form::Rebuilt;
}

void MirtLogFileAnalyzer::exportChosen()
{
    LogTab *tab = currentTab();
    if (!tab)
        return;
    const QString suggested = QDir(lastDir).filePath(QFileInfo(displayPath(tab->path())).baseName()
                                                     + QStringLiteral("-shown.log"));
    // The form offered first is the one written with "All Files" too.
    const RecordExport::Form form = defaultExportForm();
    const QStringList filters = form == RecordExport::Form::Original
        ? QStringList{originalFilter, rebuiltFilter, shownCellsFilter(), anyFilter}
        : QStringList{rebuiltFilter, originalFilter, shownCellsFilter(), anyFilter};
    QString chosen = filters.first();
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export Visible Rows"), suggested,
                                                      filters.join(QStringLiteral(";;")), &chosen);
    if (path.isEmpty())
        return;
    if (chosen == originalFilter)
        exportVisibleRows(path, RecordExport::Form::Original);
    else if (chosen == rebuiltFilter)
        exportVisibleRows(path, RecordExport::Form::Rebuilt);
    else if (chosen == shownCellsFilter())
        exportVisibleCells(path);
    else
        exportVisibleRows(path, form);
}

void MirtLogFileAnalyzer::connectOriginalLines(LogTab *tab)
{
    connect(tab->viewer(), &LogFileViewer::originalLinesCopied, tab, [this, tab](int records, const QString &error) {
        setTabStatus(tab, error.isEmpty() ? QStringLiteral("%1 records copied as the file holds them")
                                                .arg(problemreport::groupedNumber(records))
                                          : QStringLiteral("could not copy the original lines: %1").arg(error));
    });
}
