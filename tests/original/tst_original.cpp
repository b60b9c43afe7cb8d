// The records' original lines: the places the reader keeps, Copy Original
// Lines through the real window, and Export Visible Rows' original lines.

#include "logfile.h"
#include "logfileviewer.h"
#include "mirtlogfileanalyzer.h"
#include "originallines.h"
#include "testfiles.h"
#include "windowtestenvironment.h"

#include <KCompressionDevice>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextCodec>
#include <QtTest>

namespace {

// A log written from lines that say what they are: "R..." a record line,
// "C..." a continuation of the record before, "B" a blank line, "X..." a
// line the reader cannot use. Knows each record's bytes.
struct SampleLog
{
    QByteArray bytes;
    QList<QByteArray> records;
};

QByteArray encoded(const QString &text, const QString &encoding)
{
    const bool utf16 = encoding.startsWith(QLatin1String("utf16"));
    if (!utf16)
        return text.toUtf8();
    QTextEncoder encoder(QTextCodec::codecForName(encoding == QLatin1String("utf16le") ? "UTF-16LE" : "UTF-16BE"),
                         QTextCodec::IgnoreHeader);
    return encoder.fromUnicode(text);
}

SampleLog sampleLog(const QStringList &lines, const QString &lineEnd, const QString &encoding = QStringLiteral("utf8"),
                    bool lastLineEnds = true)
{
    SampleLog log;
    if (encoding == QLatin1String("utf16le"))
        log.bytes = QByteArray("\xFF\xFE", 2);
    else if (encoding == QLatin1String("utf16be"))
        log.bytes = QByteArray("\xFE\xFF", 2);
    else if (encoding == QLatin1String("utf8bom"))
        log.bytes = QByteArray("\xEF\xBB\xBF");
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        const bool last = i + 1 == lines.size();
        const QByteArray bytes = encoded(line.mid(1) + (last && !lastLineEnds ? QString() : lineEnd), encoding);
        log.bytes += bytes;
        if (line.startsWith(QLatin1Char('R')))
            log.records.append(bytes);
        else if (line.startsWith(QLatin1Char('C')))
            log.records.last() += bytes;
    }
    return log;
}

const QStringList plainLines{"R1.0 : Info : arm : starting action: 1: Pick, bin1 [2: Grip []]",
                             "R1.5 : Warning : arm : pressure",
                             "C    arm :  low",
                             "C    arm :  still",
                             "R2.0 : Error : drive : stalled \u00fc",
                             "X@@ not a record",
                             "R3.0 : Info : arm : completing action: 1:"};
const QStringList blankLines{"R1.0 : Info : arm : one", "B", "B", "R2.0 : Info : arm : two", "C    arm :  more", "B",
                             "R3.0 : Debug : vision : three"};

QByteArray joined(const QList<QByteArray> &parts)
{
    QByteArray out;
    for (const QByteArray &part : parts)
        out += part;
    return out;
}

QByteArray gzipped(const QByteArray &text)
{
    QBuffer *out = new QBuffer;
    out->open(QIODevice::WriteOnly);
    KCompressionDevice device(out, false, KCompressionDevice::GZip);
    if (!device.open(QIODevice::WriteOnly) || device.write(text) != text.size())
        qFatal("cannot compress");
    device.close();
    const QByteArray data = out->data();
    delete out;
    return data;
}

LogFileViewer *currentViewer(MirtLogFileAnalyzer &window)
{
    return qobject_cast<LogFileViewer *>(window.findChild<QTabWidget *>()->currentWidget());
}

QString statusOf(QMainWindow &window)
{
    return window.statusBar()->findChild<QLabel *>()->text();
}

void selectRows(LogFileViewer *viewer, const QList<int> &rows)
{
    viewer->clearSelection();
    for (const int row : rows)
        viewer->selectionModel()->select(viewer->model()->index(row, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// Copy Original Lines by its key, as a user presses it in the tree; the
// viewer's word on how it went.
QList<QVariant> copyByKey(LogFileViewer *viewer)
{
    QSignalSpy copied(viewer, &LogFileViewer::originalLinesCopied);
    viewer->setFocus();
    QTest::keyClick(viewer, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    if (copied.isEmpty() && !copied.wait(20000))
        return {};
    return copied.takeFirst();
}

} // namespace

class TestOriginal final : public QObject
{
    Q_OBJECT

private:
    WindowTestEnvironment environment;
    QTemporaryDir dir;
    int written = 0;

    QString write(const QByteArray &bytes, const QString &suffix = QStringLiteral(".log"))
    {
        return writeTestFile(dir, QStringLiteral("log%1%2").arg(++written).arg(suffix), bytes);
    }

    std::unique_ptr<MirtLogFileAnalyzer> opened(const QStringList &paths, bool merged = false)
    {
        auto window = std::make_unique<MirtLogFileAnalyzer>();
        if (merged)
            window->openMerged(paths);
        else
            window->openLogFiles(paths, true);
        if (!QTest::qWaitFor([&window] { return !window->property("busy").toBool(); }, 60000))
            qWarning("the window is still busy");
        return window;
    }

private slots:
    // Every record's bytes, read back by the places kept, whether the file
    // is read at once, in the background, or compressed.
    void placesGiveTheFileBytes_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("lineEnd");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<bool>("lastLineEnds");
        QTest::addColumn<bool>("compressed");
        QTest::newRow("LF") << plainLines << "\n" << "utf8" << true << false;
        QTest::newRow("CR LF") << plainLines << "\r\n" << "utf8" << true << false;
        QTest::newRow("blank lines") << blankLines << "\n" << "utf8" << true << false;
        QTest::newRow("no last line end") << plainLines << "\r\n" << "utf8" << false << false;
        QTest::newRow("UTF-8 mark") << plainLines << "\n" << "utf8bom" << true << false;
        QTest::newRow("UTF-16 LE") << plainLines << "\r\n" << "utf16le" << true << false;
        QTest::newRow("UTF-16 BE, blank lines") << blankLines << "\n" << "utf16be" << true << false;
        QTest::newRow("gzip") << plainLines << "\r\n" << "utf8" << true << true;
    }

    void placesGiveTheFileBytes()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, lineEnd);
        QFETCH(QString, encoding);
        QFETCH(bool, lastLineEnds);
        QFETCH(bool, compressed);
        const SampleLog log = sampleLog(lines, lineEnd, encoding, lastLineEnds);
        const QString path = compressed ? write(gzipped(log.bytes), QStringLiteral(".log.gz")) : write(log.bytes);
        QStringList errors;
        const auto whole = LogFile::load(path, errors);
        const auto window = opened({path});
        const auto background = currentViewer(*window)->logFile();
        for (const auto &file : {whole, background}) {
            QCOMPARE(file->entries().size(), log.records.size());
            for (int entry = 0; entry < log.records.size(); ++entry) {
                const auto one = OriginalLines::readBytes(OriginalLines::request(*file, {entry}));
                QCOMPARE(one.error, QString());
                QCOMPARE(one.bytes, log.records.at(entry));
            }
            const auto all = OriginalLines::readBytes(OriginalLines::request(*file, {2, 0, 1, 2}));
            QCOMPARE(all.records, 3);
            QCOMPARE(all.bytes, joined(log.records.mid(0, 3)));
        }
    }

    // Through the real window, by the key and by the row menu: the records
    // of the selected rows, each once, in file order, decoded as read.
    void copyOriginalLines_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("lineEnd");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QList<int>>("records");
        QTest::newRow("LF") << plainLines << "\n" << "utf8" << QList<int>{0, 1} << QList<int>{0, 1};
        QTest::newRow("CR LF, continuations") << plainLines << "\r\n" << "utf8" << QList<int>{1, 2} << QList<int>{1, 2};
        QTest::newRow("blank lines between") << blankLines << "\n" << "utf8" << QList<int>{0, 1, 2}
                                             << QList<int>{0, 1, 2};
        QTest::newRow("UTF-16") << plainLines << "\r\n" << "utf16le" << QList<int>{2, 3} << QList<int>{2, 3};
        QTest::newRow("reverse order") << plainLines << "\n" << "utf8" << QList<int>{3, 2, 0} << QList<int>{0, 2, 3};
    }

    void copyOriginalLines()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, lineEnd);
        QFETCH(QString, encoding);
        QFETCH(QList<int>, selected);
        QFETCH(QList<int>, records);
        const SampleLog log = sampleLog(lines, lineEnd, encoding);
        const QString path = write(log.bytes);
        const auto window = opened({path});
        LogFileViewer *viewer = currentViewer(*window);
        QString expected;
        for (const int record : records)
            expected += QTextCodec::codecForUtfText(log.bytes, QTextCodec::codecForName("UTF-8"))
                            ->toUnicode(log.records.at(record));

        selectRows(viewer, selected);
        const QList<QVariant> byKey = copyByKey(viewer);
        QCOMPARE(byKey.value(1).toString(), QString());
        QCOMPARE(byKey.value(0).toInt(), records.size());
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);

        QGuiApplication::clipboard()->clear();
        std::unique_ptr<QMenu> menu(viewer->createContextMenu(viewer->model()->index(selected.first(), 0)));
        auto *entry = menu->findChild<QAction *>(QStringLiteral("copyOriginalLines"));
        QVERIFY(entry);
        QCOMPARE(entry->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+C")));
        entry->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
        QVERIFY(statusOf(*window).contains(QStringLiteral("copied")));
    }

    // A sub-action row stands for its record, which comes once.
    void subActionRowCopiesItsRecord()
    {
        const SampleLog log = sampleLog(plainLines, QStringLiteral("\n"));
        const auto window = opened({write(log.bytes)});
        LogFileViewer *viewer = currentViewer(*window);
        viewer->expandAll();
        const QModelIndex record = viewer->model()->index(0, 0);
        QVERIFY(viewer->model()->rowCount(record) > 0);
        viewer->selectionModel()->select(viewer->model()->index(0, 0, record),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
        viewer->selectionModel()->select(record, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(copyByKey(viewer).value(0).toInt(), 1);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8(log.records.at(0)));
    }

    // Many records, and compressed ones, are read off the GUI thread; the
    // text is the same.
    void largeAndCompressedSelections_data()
    {
        QTest::addColumn<bool>("compressed");
        QTest::newRow("plain") << false;
        QTest::newRow("gzip") << true;
    }

    void largeAndCompressedSelections()
    {
        QFETCH(bool, compressed);
        const QByteArray bytes = generatedLog(20000);
        const QString path = compressed ? write(gzipped(bytes), QStringLiteral(".log.gz")) : write(bytes);
        const auto window = opened({path});
        LogFileViewer *viewer = currentViewer(*window);
        viewer->selectAll();
        // A second press while the first is read replaces it; the window is
        // busy meanwhile and idle after.
        QTest::keyClick(viewer, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(window->property("busy").toBool());
        const QList<QVariant> copied = copyByKey(viewer);
        QCOMPARE(copied.value(1).toString(), QString());
        QCOMPARE(copied.value(0).toInt(), viewer->topLevelItemCount());
        QCOMPARE(QGuiApplication::clipboard()->text().toUtf8(), bytes);
        QTRY_VERIFY(!window->property("busy").toBool());
    }

    // A followed file's appended records come from where they were
    // appended; continuation lines appended to the record shown last
    // belong to it.
    void followedRecords_data()
    {
        QTest::addColumn<int>("split");
        QTest::newRow("new records") << 4;
        QTest::newRow("the last record continued") << 2;
    }

    void followedRecords()
    {
        QFETCH(int, split);
        const SampleLog first = sampleLog(plainLines.mid(0, split), QStringLiteral("\r\n"));
        const QString path = write(first.bytes);
        const auto window = opened({path});
        window->findChild<QAction *>(QStringLiteral("fileFollow"))->trigger();
        const SampleLog whole = sampleLog(plainLines, QStringLiteral("\r\n"));
        const QByteArray more = whole.bytes.mid(first.bytes.size());
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::Append));
            file.write(more);
        }
        LogFileViewer *viewer = currentViewer(*window);
        QTRY_COMPARE_WITH_TIMEOUT(viewer->topLevelItemCount(), whole.records.size(), 10000);
        // The last record waits for its continuation lines until a look
        // finds nothing new.
        QTRY_VERIFY_WITH_TIMEOUT(!window->property("busy").toBool(), 10000);
        viewer->selectAll();
        QTRY_COMPARE_WITH_TIMEOUT(copyByKey(viewer).value(0).toInt(), whole.records.size(), 10000);
        QCOMPARE(QGuiApplication::clipboard()->text().toUtf8(), joined(whole.records));
    }

    // A merged tab copies each record from its own file, in the rows' order.
    void mergedTab()
    {
        const QByteArray a = "1.0 : Info : arm : a1\r\n3.0 : Info : arm : a2\r\n    arm :  more\r\n";
        const QByteArray b = "2.0 : Warning : drive : b1\n4.0 : Info : drive : b2\n";
        const auto window = opened({write(a), write(b)}, true);
        LogFileViewer *viewer = currentViewer(*window);
        QCOMPARE(viewer->topLevelItemCount(), 4);
        selectRows(viewer, {3, 0, 1, 2});
        QCOMPARE(copyByKey(viewer).value(1).toString(), QString());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("1.0 : Info : arm : a1\r\n"
                                                                      "2.0 : Warning : drive : b1\n"
                                                                      "3.0 : Info : arm : a2\r\n    arm :  more\r\n"
                                                                      "4.0 : Info : drive : b2\n"));
    }

    // A file that changed since it was read gives a message, and the
    // clipboard keeps what it had.
    void changedFile_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("shorter") << "shorter";
        QTest::newRow("replaced") << "replaced";
        QTest::newRow("rewritten in place") << "rewritten";
        QTest::newRow("removed") << "removed";
    }

    void changedFile()
    {
        QFETCH(QString, change);
        const SampleLog log = sampleLog(plainLines, QStringLiteral("\n"));
        const QString path = write(log.bytes);
        const auto window = opened({path});
        if (change == QLatin1String("shorter")) {
            QVERIFY(QFile::resize(path, log.bytes.size() / 2));
        } else if (change == QLatin1String("replaced")) {
            const QString other = write(log.bytes);
            QVERIFY(QFile::remove(path));
            QVERIFY(QFile::rename(other, path));
        } else if (change == QLatin1String("rewritten")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("x" + log.bytes.left(log.bytes.size() - 1));
        } else {
            QVERIFY(QFile::remove(path));
        }
        LogFileViewer *viewer = currentViewer(*window);
        QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
        viewer->selectAll();
        const QString error = copyByKey(viewer).value(1).toString();
        QVERIFY2(!error.isEmpty(), qPrintable(change));
        if (change != QLatin1String("removed"))
            QVERIFY2(error.contains(QStringLiteral("changed since it was read")), qPrintable(error));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
        QVERIFY2(statusOf(*window).contains(error),
                 qPrintable(statusOf(*window)));
    }

    // Export's original lines are the shown records' bytes; with nothing
    // filtered they are offered first, and are the file but for the lines
    // no record holds.
    void exportOriginalLines_data()
    {
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QList<int>>("records");
        QTest::newRow("all") << "utf8" << QString() << QList<int>{0, 1, 2, 3};
        QTest::newRow("UTF-16, all") << "utf16le" << QString() << QList<int>{0, 1, 2, 3};
        QTest::newRow("filtered") << "utf8" << "type == \"warning\" || type == \"error\"" << QList<int>{1, 2};
    }

    void exportOriginalLines()
    {
        QFETCH(QString, encoding);
        QFETCH(QString, filter);
        QFETCH(QList<int>, records);
        const SampleLog log = sampleLog(plainLines, QStringLiteral("\r\n"), encoding);
        const auto window = opened({write(log.bytes)});
        if (!filter.isEmpty()) {
            window->findChild<QLineEdit *>(QStringLiteral("filterEdit"))->setText(filter);
            window->filterEntered();
            WAIT_UNTIL_IDLE(*window);
        }
        QCOMPARE(window->defaultExportForm(),
                 filter.isEmpty() ? RecordExport::Form::Original : RecordExport::Form::Rebuilt);
        const QString out = dir.filePath(QStringLiteral("export%1.log").arg(++written));
        window->exportVisibleRows(out, RecordExport::Form::Original);
        WAIT_UNTIL_IDLE(*window);
        QFile exported(out);
        QVERIFY(exported.open(QIODevice::ReadOnly));
        QByteArray expected = encoding == QLatin1String("utf16le") ? QByteArray("\xFF\xFE", 2) : QByteArray();
        for (const int record : records)
            expected += log.records.at(record);
        QCOMPARE(exported.readAll(), expected);
        if (filter.isEmpty()) {
            QByteArray usable = log.bytes;
            usable.replace(encoded(plainLines.at(5).mid(1) + QStringLiteral("\r\n"), encoding), QByteArray());
            QCOMPARE(expected, usable);
        }
    }
};

int main(int argc, char *argv[])
{
    WindowTestEnvironment environment;
    int appArgc = 1;
    QApplication app(appArgc, argv);
    TestOriginal test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_original.moc"
