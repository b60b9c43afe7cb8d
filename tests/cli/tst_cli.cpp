// mirtlog, the real binary: what each command writes, in each format, read
// back and held against what the libraries compute for the same file.

#include "actionoccurrences.h"
#include "comparisoncolumns.h"
#include "compiledfilter.h"
#include "entrypresentation.h"
#include "logfile.h"
#include "runcolumns.h"
#include "runcomparison.h"
#include "runquery.h"
#include "runtexts.h"
#include "testfiles.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

namespace {

using Rows = QList<QStringList>;

struct Result
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

QString sample(const char *name)
{
    return qEnvironmentVariable("MIRT_SOURCE_DIR") + QStringLiteral("/samples/") + QLatin1String(name);
}

Result mirtlog(const QStringList &arguments, const QByteArray &input = QByteArray())
{
    QProcess process;
    process.start(qEnvironmentVariable("MIRT_BIN_DIR") + QStringLiteral("/mirtlog"), arguments);
    Result result;
    if (!process.waitForStarted())
        return result;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.status = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

Rows readTsv(const QByteArray &text)
{
    Rows rows;
    for (const QString &line : QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        rows.push_back(line.split(QLatin1Char('\t')));
    return rows;
}

// RFC 4180: quoted cells may hold commas, quotes (doubled) and line breaks.
Rows readCsv(const QByteArray &bytes)
{
    const QString text = QString::fromUtf8(bytes);
    Rows rows;
    QStringList row;
    QString cell;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text[i + 1] == QLatin1Char('"'))
                cell += text[++i];
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                cell += c;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            row.push_back(cell);
            cell.clear();
        } else if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
            row.push_back(cell);
            rows.push_back(row);
            row.clear();
            cell.clear();
            ++i;
        } else {
            cell += c;
        }
    }
    return rows;
}

// Each object's values in the order of `keys`, numbers written as exports
// write them, null as an empty cell; every line must be compact JSON.
Rows readJsonl(const QByteArray &text, const QStringList &keys)
{
    Rows rows;
    for (const QByteArray &line : text.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            return {{QStringLiteral("not JSON: ") + QString::fromUtf8(line)}};
        const QJsonObject object = document.object();
        if (object.keys().size() != keys.size())
            return {{QStringLiteral("other keys: ") + object.keys().join(QLatin1Char(' '))}};
        QStringList cells;
        for (const QString &key : keys) {
            const QJsonValue value = object.value(key);
            cells.push_back(value.isDouble() ? RunColumns::exactNumber(value.toDouble()) : value.toString());
        }
        rows.push_back(cells);
    }
    return rows;
}

// The rows of a table in any format, without the header line.
Rows readTable(const QString &format, const QByteArray &text, const QStringList &keys)
{
    if (format == QLatin1String("jsonl"))
        return readJsonl(text, keys);
    Rows rows = format == QLatin1String("csv") ? readCsv(text) : readTsv(text);
    if (!rows.isEmpty())
        rows.removeFirst();
    return rows;
}

// A cell as a TSV line writes it.
QString tsvCell(QString text)
{
    return text.replace(QLatin1Char('\t'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '))
        .replace(QLatin1Char('\r'), QLatin1Char(' '));
}

Rows asWritten(const QString &format, Rows rows)
{
    if (format == QLatin1String("tsv")) {
        for (QStringList &row : rows)
            for (QString &cell : row)
                cell = tsvCell(cell);
    }
    return rows;
}

const QStringList recordKeys{"file", "line", "time", "type", "subsystem", "action", "activity", "message"};

// The rows of the records `filter` keeps, as the libraries see them.
Rows expectedRecords(const LogFile &file, const QString &filter)
{
    FilterJudge judge(CompiledFilter::compile(filter), file.sourceNames());
    Rows rows;
    for (int number = 0; number < file.entries().size(); ++number) {
        const LogFileEntry &entry = *file.entries().at(number);
        if (!judge.keeps(entry))
            continue;
        QStringList row{file.sources()[size_t(entry.source())].path, QString::number(file.lineOf(number)),
                        RunColumns::exactNumber(entry.time())};
        for (int column = EntryPresentation::TypeColumn; column < EntryPresentation::ColumnCount; ++column)
            row.push_back(EntryPresentation::cellText(entry, column));
        rows.push_back(row);
    }
    return rows;
}

std::shared_ptr<LogFile> load(const QString &path)
{
    QStringList errors;
    return LogFile::load(path, errors);
}

// A log whose cells need quoting or escaping in every format: a comma, a
// quote, a tab, a backslash, a continuation line and text beyond Latin-1.
QByteArray awkwardLog()
{
    return "1.0 : Info : arm : plain\n"
           "2.5 : Error : arm : comma, \"quoted\" and\ttab \\ back\n"
           "    arm : continued line\n"
           "\n"
           "3.125 : Warning : vision : Gr\xc3\xbc\xc3\x9f""e \xe2\x86\x92 \xe6\x97\xa5\n"
           "4.0 : Info : planner : starting action: 7: Grip, \"bin, 3\" []\n"
           "5.0 : Info : planner : canceling action: 7: lost\n";
}

} // namespace

class TestCli final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        awkward = writeTestFile(dir, QStringLiteral("awkward.log"), awkwardLog());
        broken = writeTestFile(dir, QStringLiteral("broken.log"),
                               "1.0 : Info : arm : fine\nthis line is no record\n2.0 : Bogus : arm : level\n");
    }

    void query_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("status");
        for (const char *format : {"tsv", "csv", "jsonl"}) {
            const auto row = [&](const char *name, const QString &path, const char *filter, int status) {
                QTest::addRow("%s %s", format, name) << format << path << filter << status;
            };
            row("every record", sample("pick_and_place.log"), "", 0);
            row("errors", sample("pick_and_place.log"), "type == \"error\"", 0);
            row("cancellations", sample("pick_and_place.log"), "activity == \"cancel\"", 0);
            row("awkward texts", awkward, "", 0);
            row("awkward action", awkward, "action == 7", 0);
            row("nothing", sample("navigation.log"), "false", 1);
        }
    }

    void query()
    {
        QFETCH(QString, format);
        QFETCH(QString, path);
        QFETCH(QString, filter);
        QFETCH(int, status);
        QStringList arguments{QStringLiteral("query"), QStringLiteral("--format"), format};
        if (!filter.isEmpty())
            arguments << filter;
        const Result result = mirtlog(arguments << path);
        QCOMPARE(result.status, status);
        const auto file = load(path);
        const Rows expected = expectedRecords(*file, filter);
        QCOMPARE(readTable(format, result.out, recordKeys), asWritten(format, expected));
        QCOMPARE(expected.isEmpty(), status == 1);
        // Compact: the first key right after the brace, no spaces between.
        if (format == QLatin1String("jsonl") && !expected.isEmpty())
            QVERIFY(result.out.startsWith("{\"file\":\"" + path.toUtf8() + "\",\"line\":"));
    }

    void severalFilesInOrder()
    {
        // Read at once, written in the order given; "true" is the filter.
        const QString a = sample("navigation.log");
        const QString b = sample("pick_and_place.log");
        const Result result = mirtlog({QStringLiteral("query"), QStringLiteral("true"), b, a, b});
        QCOMPARE(result.status, 0);
        const Rows rowsA = expectedRecords(*load(a), QString());
        const Rows rowsB = expectedRecords(*load(b), QString());
        QCOMPARE(readTsv(result.out).mid(1), asWritten("tsv", rowsB + rowsA + rowsB));
    }

    void count_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("filter");
        for (const char *format : {"tsv", "csv", "jsonl"}) {
            QTest::addRow("%s errors", format) << format << "type == \"error\"";
            QTest::addRow("%s every record", format) << format << "true";
        }
    }

    void count()
    {
        QFETCH(QString, format);
        QFETCH(QString, filter);
        const QStringList paths{sample("pick_and_place.log"), sample("navigation.log"), awkward};
        const Result result = mirtlog(QStringList{QStringLiteral("count"), QStringLiteral("--format"), format, filter}
                                      + paths);
        QCOMPARE(result.status, 0);
        Rows expected;
        qint64 total = 0;
        for (const QString &path : paths) {
            const qint64 kept = expectedRecords(*load(path), filter).size();
            expected.push_back({path, QString::number(kept)});
            total += kept;
        }
        expected.push_back({QStringLiteral("(total)"), QString::number(total)});
        QCOMPARE(readTable(format, result.out, {"file", "count"}), expected);

        // One file: its number alone.
        const Result one = mirtlog({QStringLiteral("count"), QStringLiteral("false"), awkward});
        QCOMPARE(one.status, 1);
        QCOMPARE(readTsv(one.out), Rows({{"file", "count"}, {awkward, "0"}}));
    }

    void actions_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("failed");
        for (const char *format : {"tsv", "csv", "jsonl"}) {
            QTest::addRow("%s all", format) << format << sample("pick_and_place.log") << false;
            QTest::addRow("%s failed", format) << format << sample("pick_and_place.log") << true;
            QTest::addRow("%s awkward", format) << format << awkward << false;
        }
        QTest::addRow("none failed") << "tsv" << sample("pick_and_place_good.log") << true;
    }

    void actions()
    {
        QFETCH(QString, format);
        QFETCH(QString, path);
        QFETCH(bool, failed);
        QStringList arguments{QStringLiteral("actions"), QStringLiteral("--format"), format};
        if (failed)
            arguments << QStringLiteral("--failed");
        const Result result = mirtlog(arguments << path);

        const auto file = load(path);
        const LogFile::ReadAccess reading(*file);
        const auto analysis = ActionAnalysis::compute(reading, reading.count());
        const auto texts = RunTexts::make(*analysis, reading);
        Rows expected;
        for (size_t run = 0; run < analysis->occurrences.size(); ++run) {
            if (failed && !analysis->occurrences[run].failed())
                continue;
            QStringList row{path};
            for (int column = RunColumns::Id; column <= RunColumns::Cause; ++column)
                row.push_back(RunColumns::cellText(*analysis, *texts, int(run), column, true));
            expected.push_back(row);
        }
        QCOMPARE(result.status, expected.isEmpty() ? 1 : 0);
        const QStringList keys{"file",     "id",      "name",        "arguments", "subsystem", "start",
                               "end",      "duration", "outcome",    "sub_actions", "cause"};
        QCOMPARE(readTable(format, result.out, keys), asWritten(format, expected));
        if (format == QLatin1String("tsv")) {
            QStringList header = RunColumns::headers().mid(RunColumns::Id, RunColumns::Cause + 1);
            QCOMPARE(readTsv(result.out).value(0), QStringList{"file"} + header);
        }
    }

    void stats_data()
    {
        QTest::addColumn<QString>("format");
        for (const char *format : {"tsv", "csv", "jsonl"})
            QTest::newRow(format) << format;
    }

    void stats()
    {
        QFETCH(QString, format);
        const QString path = sample("pick_and_place.log");
        const Result result = mirtlog({QStringLiteral("stats"), QStringLiteral("--format"), format, path});
        QCOMPARE(result.status, 0);
        const auto file = load(path);
        const auto analysis = ActionAnalysis::compute(*file, file->entries().size());
        Rows expected;
        for (const ActionStatistics &row : analysis->statistics) {
            QStringList cells{path};
            for (int column = 0; column < RunColumns::StatColumnCount; ++column)
                cells.push_back(RunColumns::statisticsCellText(row, column, true));
            expected.push_back(cells);
        }
        QVERIFY(expected.size() > 3);
        const QStringList keys{"file",  "name",   "count", "completed", "cancelled", "never_ended",
                               "min",   "median", "p95",   "max"};
        QCOMPARE(readTable(format, result.out, keys), expected);
    }

    void compare_data()
    {
        QTest::addColumn<QString>("format");
        for (const char *format : {"tsv", "csv", "jsonl"})
            QTest::newRow(format) << format;
    }

    void compare()
    {
        QFETCH(QString, format);
        const QString good = sample("pick_and_place_good.log");
        const QString bad = sample("pick_and_place.log");
        const Result result = mirtlog({QStringLiteral("compare"), QStringLiteral("--format"), format, good, bad});
        QCOMPARE(result.status, 1);
        const auto a = load(good);
        const auto b = load(bad);
        const auto comparison = RunComparison::compute(LogFile::ReadAccess(*a), LogFile::ReadAccess(*b));
        const char *const names[] = {"names", "sequence", "errors"};
        // The tables in order; each text table under its header, an empty
        // line before the next.
        Rows expected;
        for (int which = 0; which < ComparisonColumns::TableCount; ++which) {
            const auto table = ComparisonColumns::Table(which);
            if (format != QLatin1String("jsonl"))
                expected.push_back(ComparisonColumns::headers(table));
            for (int row = 0; row < ComparisonColumns::rowCount(*comparison, table); ++row) {
                QStringList cells;
                if (format == QLatin1String("jsonl"))
                    cells.push_back(QLatin1String(names[which]));
                for (int column = 0; column < ComparisonColumns::headers(table).size(); ++column)
                    cells.push_back(ComparisonColumns::text(*comparison, table, row, column, true));
                expected.push_back(cells);
            }
        }
        QVERIFY(!comparison->newErrors.empty());
        Rows written;
        if (format == QLatin1String("jsonl")) {
            // Each row names its table first; the keys follow the columns.
            const QList<QStringList> keys{
                {"table", "name", "count_a", "count_b", "completed_a", "completed_b", "cancelled_a", "cancelled_b",
                 "never_ended_a", "never_ended_b", "median_a", "median_b", "p95_a", "p95_b", "delta_median",
                 "ratio"},
                {"table", "action", "start_a", "start_b", "outcome_a", "outcome_b", "duration_a", "duration_b"},
                {"table", "template", "count", "first_in_b", "subsystem"}};
            for (const QByteArray &line : result.out.split('\n')) {
                if (line.isEmpty())
                    continue;
                const QString table = QJsonDocument::fromJson(line).object().value("table").toString();
                const int which = table == "names" ? 0 : table == "sequence" ? 1 : 2;
                QVERIFY2(line.startsWith("{\"table\":\"" + table.toUtf8() + "\",\"" + keys[which][1].toUtf8() + "\":"),
                         line.constData());
                written.push_back(readJsonl(line, keys[which]).value(0));
            }
            QCOMPARE(written, expected);
            return;
        }
        written = format == QLatin1String("csv") ? readCsv(result.out) : readTsv(result.out);
        written.removeAll(QStringList{QString()});
        QCOMPARE(written, expected);

        const Result same = mirtlog({QStringLiteral("compare"), good, good});
        QCOMPARE(same.status, 0);
    }

    void compareOneTable()
    {
        const Result result = mirtlog({QStringLiteral("compare"), QStringLiteral("--table"), QStringLiteral("errors"),
                                       sample("pick_and_place_good.log"), sample("pick_and_place.log")});
        QCOMPARE(result.status, 1);
        const Rows rows = readTsv(result.out);
        QCOMPARE(rows.value(0), ComparisonColumns::headers(ComparisonColumns::NewErrors));
        QVERIFY(rows.size() > 1);
    }

    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        const QString log = sample("navigation.log");
        QTest::newRow("found") << QStringList{"count", log} << 0 << "";
        QTest::newRow("nothing found") << QStringList{"query", "type == \"debug\" && false", log} << 1 << "";
        QTest::newRow("bad filter") << QStringList{"query", "type ==", log} << 2
                                    << "mirtlog: filter: " + CompiledFilter::compile("type ==")->error() + "\n";
        QTest::newRow("bad regular expression")
            << QStringList{"count", "matches(message, \"(\")", log} << 2
            << "mirtlog: filter: " + CompiledFilter::compile("matches(message, \"(\")")->error() + "\n";
        QTest::newRow("missing file") << QStringList{"count", "true", log, "/nonexistent/robot.log"} << 2 << "robot.log";
        QTest::newRow("directory") << QStringList{"actions", QDir::tempPath()} << 2 << QDir::tempPath();
        QTest::newRow("unknown command") << QStringList{"grep", log} << 2 << "usage: mirtlog";
        QTest::newRow("unknown option") << QStringList{"query", "--fast", log} << 2 << "unknown option --fast";
        QTest::newRow("option of another command") << QStringList{"stats", "--failed", log} << 2 << "--failed";
        QTest::newRow("unknown format") << QStringList{"query", "--format", "xml", log} << 2 << "xml";
        QTest::newRow("format without value") << QStringList{"query", log, "--format"} << 2 << "--format";
        QTest::newRow("no file") << QStringList{"actions"} << 2 << "no file";
        QTest::newRow("compare one file") << QStringList{"compare", log} << 2 << "two files";
        QTest::newRow("no command") << QStringList{} << 2 << "usage: mirtlog";
        QTest::newRow("index without --db") << QStringList{"index", log} << 2 << "--db";
    }

    void exitStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, error);
        const Result result = mirtlog(arguments);
        QCOMPARE(result.status, status);
        if (error.endsWith(QLatin1Char('\n')))
            QCOMPARE(QString::fromUtf8(result.err), error);
        else
            QVERIFY2(QString::fromUtf8(result.err).contains(error), result.err.constData());
        if (status != 2)
            QVERIFY(result.err.isEmpty());
    }

    // The store `index` writes holds what `count` and `actions` print, asked
    // with SQL; a second run skips the files it has.
    void indexMatchesCountAndActions()
    {
        const QString db = dir.filePath(QStringLiteral("runs.sqlite"));
        const QStringList logs{sample("pick_and_place.log"), sample("navigation.log"), awkward};
        const Result first = mirtlog(QStringList{QStringLiteral("index"), QStringLiteral("--db"), db} + logs);
        QCOMPARE(first.status, 0);
        QCOMPARE(readTsv(first.out).size(), 4);
        QCOMPARE(readTsv(first.out).at(1).at(1), QStringLiteral("indexed"));
        const Result again = mirtlog(QStringList{QStringLiteral("index"), QStringLiteral("--db"), db} + logs);
        QCOMPARE(again.status, 0);
        for (const QStringList &row : readTsv(again.out).mid(1))
            QCOMPARE(row.at(1), QStringLiteral("skipped"));

        QSqlDatabase sql = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("index"));
        sql.setDatabaseName(db);
        QVERIFY(sql.open());
        const auto scalar = [&sql](const QString &statement, const QString &path) {
            QSqlQuery query(sql);
            query.prepare(statement);
            query.addBindValue(QFileInfo(path).absoluteFilePath());
            return query.exec() && query.next() ? query.value(0).toString() : QStringLiteral("none");
        };
        for (const QString &path : logs) {
            const Rows counted = readTsv(mirtlog({QStringLiteral("count"), QStringLiteral("type == \"error\""), path}).out);
            QCOMPARE(scalar(QStringLiteral("select count(*) from records join files on files.id = records.file_id "
                                           "where files.path = ? and records.type = 'Error'"),
                            path),
                     counted.value(1).value(1));
            const Rows runs = readTsv(mirtlog({QStringLiteral("actions"), QStringLiteral("--failed"), path}).out);
            QCOMPARE(scalar(QStringLiteral("select count(*) from runs join files on files.id = runs.file_id "
                                           "where files.path = ? and runs.outcome != 'Completed'"),
                            path),
                     QString::number(runs.size() - 1));
        }
        sql.close();
        sql = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("index"));
    }

    // A compressed log reads as its text, from a file or standard input.
    void compressedInput()
    {
        const QString plain = sample("pick_and_place.log");
        QProcess gzip;
        gzip.setStandardInputFile(plain);
        gzip.start(QStringLiteral("gzip"), {QStringLiteral("-c")});
        QVERIFY(gzip.waitForFinished());
        const QByteArray packed = gzip.readAllStandardOutput();
        QVERIFY(packed.startsWith("\x1f\x8b"));
        const QString path = writeTestFile(dir, QStringLiteral("packed.log.gz"), packed);
        const Result text = mirtlog({QStringLiteral("query"), QStringLiteral("true"), plain});
        const Result fromFile = mirtlog({QStringLiteral("query"), QStringLiteral("true"), path});
        const Result fromInput = mirtlog({QStringLiteral("query"), QStringLiteral("true"), QStringLiteral("-")}, packed);
        QCOMPARE(fromFile.status, 0);
        const auto withoutFile = [](const QByteArray &out) {
            Rows rows = readTsv(out);
            for (QStringList &row : rows)
                row.removeFirst();
            return rows;
        };
        QCOMPARE(withoutFile(fromFile.out), withoutFile(text.out));
        QCOMPARE(withoutFile(fromInput.out), withoutFile(text.out));
    }

    void readerMessages()
    {
        // Each of the window's messages, after the file's name.
        const Result result = mirtlog({QStringLiteral("query"), broken});
        QCOMPARE(result.status, 0);
        QStringList errors;
        const auto file = LogFile::load(broken, errors);
        QVERIFY(!file->messages().isEmpty());
        QString expected;
        for (const QString &message : file->messages())
            expected += broken + QStringLiteral(": ") + message + QLatin1Char('\n');
        QCOMPARE(QString::fromUtf8(result.err), expected);
    }

    void standardInput()
    {
        const Result result = mirtlog({QStringLiteral("query"), QStringLiteral("--format"), QStringLiteral("jsonl"),
                                       QStringLiteral("-")},
                                      awkwardLog());
        QCOMPARE(result.status, 0);
        Rows expected = expectedRecords(*load(awkward), QString());
        for (QStringList &row : expected)
            row[0] = QStringLiteral("(standard input)");
        QCOMPARE(readJsonl(result.out, recordKeys), expected);

        const Result empty = mirtlog({QStringLiteral("count"), QStringLiteral("-")});
        QCOMPARE(empty.status, 1);
        QCOMPARE(readTsv(empty.out).value(1), QStringList({"(standard input)", "0"}));
    }

    void closedPipe()
    {
        // `head` takes one line and goes away: the writer stops quietly.
        // The shell notes the writer's exit status, since a pipe's own is
        // that of its last command.
        const QString big = writeTestFile(dir, QStringLiteral("big.log"), generatedLog(200000));
        const QString status = dir.filePath(QStringLiteral("status"));
        QProcess shell;
        shell.start(QStringLiteral("/bin/sh"),
                    {QStringLiteral("-c"), QStringLiteral("(\"$0\" query \"$1\"; echo $? > \"$2\") | head -n 1"),
                     qEnvironmentVariable("MIRT_BIN_DIR") + QStringLiteral("/mirtlog"), big, status});
        QVERIFY(shell.waitForFinished(120000));
        QVERIFY(shell.readAllStandardOutput().startsWith("file\tline\t"));
        QCOMPARE(shell.readAllStandardError(), QByteArray());
        QFile written(status);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll().trimmed(), QByteArray("0"));
    }

    void merged_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::newRow("every record") << "true";
        QTest::newRow("one source") << "source == \"navigation\"";
        QTest::newRow("errors") << "type == \"error\"";
    }

    void merged()
    {
        QFETCH(QString, filter);
        const QString a = sample("navigation.log");
        const QString b = sample("pick_and_place.log");
        const Result result = mirtlog({QStringLiteral("query"), QStringLiteral("--merge"), filter, a, b});
        QCOMPARE(result.status, 0);
        const auto merged = LogFile::merge({load(a), load(b)}, {});
        const Rows expected = expectedRecords(*merged, filter);
        QVERIFY(!expected.isEmpty());
        QCOMPARE(readTsv(result.out).mid(1), asWritten("tsv", expected));

        // Counted per file of the view.
        const Result counted = mirtlog({QStringLiteral("count"), QStringLiteral("--merge"), filter, a, b});
        qint64 fromA = 0;
        for (const QStringList &row : expected)
            fromA += row[0] == a;
        QCOMPARE(readTsv(counted.out).mid(1),
                 Rows({{a, QString::number(fromA)},
                       {b, QString::number(expected.size() - fromA)},
                       {"(total)", QString::number(expected.size())}}));
    }

    void mergedRunsNameTheirFile()
    {
        const QString a = sample("navigation.log");
        const QString b = sample("pick_and_place.log");
        const Result result = mirtlog({QStringLiteral("actions"), QStringLiteral("--merge"), a, b});
        QCOMPARE(result.status, 0);
        const auto merged = LogFile::merge({load(a), load(b)}, {});
        const auto analysis = ActionAnalysis::compute(*merged, merged->entries().size());
        const Rows rows = readTsv(result.out).mid(1);
        QCOMPARE(rows.size(), int(analysis->occurrences.size()));
        for (int run = 0; run < rows.size(); ++run) {
            const ActionOccurrence &occurrence = analysis->occurrences[size_t(run)];
            QCOMPARE(rows[run].value(0), occurrence.source == 0 ? a : b);
            QCOMPARE(rows[run].value(1), QString::number(occurrence.id));
        }
    }

    void help_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected");
        QTest::newRow("--help") << QStringList{"--help"} << "usage: mirtlog COMMAND";
        QTest::newRow("--version") << QStringList{"--version"} << "mirtlog 1.";
        for (const char *command : {"query", "count", "actions", "stats", "compare", "index"}) {
            QTest::addRow("help %s", command) << QStringList{"help", command} << QStringLiteral("usage: mirtlog %1").arg(command);
            QTest::addRow("%s --help", command) << QStringList{command, "--help"} << QStringLiteral("usage: mirtlog %1").arg(command);
        }
    }

    void help()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        const Result result = mirtlog(arguments);
        QCOMPARE(result.status, 0);
        QVERIFY2(result.out.startsWith(expected.toUtf8()), result.out.constData());
        QVERIFY(result.err.isEmpty());
        if (arguments.first() == QLatin1String("help"))
            QVERIFY(result.out.contains("example: mirtlog " + arguments.last().toUtf8()));
    }

private:
    QTemporaryDir dir;
    QString awkward;
    QString broken;
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
