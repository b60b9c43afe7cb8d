// The store of many runs, read back with SQL as any tool reads it: every
// record and run as the viewer shows them, filters and SQL agreeing, files
// skipped, replaced, interrupted and unreadable, databases that are no
// store, exports, and the README's queries.
#include "actionoccurrences.h"
#include "compiledfilter.h"
#include "entrypresentation.h"
#include "logfile.h"
#include "runcolumns.h"
#include "runstore.h"
#include "runtexts.h"
#include "testfiles.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

#include <sys/stat.h>

namespace {

using Report = RunStore::FileReport;

// Empty lines, a line the reader cannot use, a continued message with a
// comma and quotes, a restarted action, equal times, messages beyond ASCII
// and beyond Latin-1, and a start no record ends.
const QByteArray awkward = "\n"
                           "1.0 : Info : planner : starting action: 1: PickPlace, bin3 [2: Grip []]\n"
                           "\n"
                           "2.0 : Info : arm : starting action: 2:\n"
                           "no fields at all\n"
                           "2.0 : Error : arm : gripper pressure low, \"valve 3\"\n"
                           "    arm : still low\n"
                           "3.0 : Warning : arm : canceling action: 2:\n"
                           "4.0 : Info : drive : starting action: 4: Move, dock\n"
                           "4.5 : Info : drive : starting action: 4: Move, dock\n"
                           "5.0 : Info : drive : completing action: 4:\n"
                           "5.5 : Info : vision : Stra\xc3\x9f" "e frei\n"
                           "6.0 : Debug : vision : Gr\xc3\xbc\xc3\x9f" "e \xe2\x9c\x93\n";

// `runs` runs of Grip of many lengths, some cancelled, some never ended,
// each followed now and then by an error.
QByteArray gripLog(int runs, int salt)
{
    QByteArray out;
    double time = 1;
    const auto at = [&time] { return QByteArray::number(time, 'f', 3); };
    for (int i = 0; i < runs; ++i) {
        const QByteArray id = QByteArray::number(i + 1);
        out += at() + " : Info : gripper : starting action: " + id + ": Grip, force" + QByteArray::number(i % 3)
            + '\n';
        time += 0.1 + ((i * 37 + salt * 11) % 50) / 10.0;
        if (i % 11 != 5)
            out += at() + " : Info : gripper : " + (i % 7 == 3 ? "canceling" : "completing") + " action: " + id
                + ":\n";
        if (i % 5 == 0)
            out += at() + " : Error : " + (i % 2 ? "arm" : "gripper") + " : pressure low\n";
        time += 0.05;
    }
    return out;
}

// The rows `sql` gives, each value as text ("NULL" for NULL, numbers with
// every digit), read through a connection of the test's own.
QStringList select(const QString &database, const QString &sql, const QVariantList &values = {})
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("reader"));
        db.setDatabaseName(database);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(database));
        QSqlQuery query(db);
        query.prepare(sql);
        for (const QVariant &value : values)
            query.addBindValue(value);
        if (!query.exec())
            rows << QStringLiteral("error: ") + query.lastError().text();
        while (query.next()) {
            QStringList cells;
            for (int i = 0; i < query.record().count(); ++i) {
                const QVariant value = query.value(i);
                cells << (value.isNull()                       ? QStringLiteral("NULL")
                          : value.type() == QVariant::Double ? RunColumns::exactNumber(value.toDouble())
                                                             : value.toString());
            }
            rows << cells.join(QLatin1Char('|'));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("reader"));
    return rows;
}

QString one(const QString &database, const QString &sql, const QVariantList &values = {})
{
    return select(database, sql, values).value(0);
}

QString orNull(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("NULL") : text;
}

// Every record of `file` as the store should hold it, in the order of lines.
QStringList expectedRecords(const LogFile &file)
{
    QStringList rows;
    const EntryList &entries = file.entries();
    for (int i = 0; i < entries.size(); ++i) {
        const LogFileEntry &entry = *entries.at(i);
        using P = EntryPresentation;
        rows << QStringList{QString::number(file.lineOf(i)), RunColumns::exactNumber(entry.time()),
                            P::cellText(entry, P::TypeColumn), orNull(P::cellText(entry, P::SubsystemColumn)),
                            orNull(P::cellText(entry, P::ActionColumn)), orNull(P::cellText(entry, P::ActivityColumn)),
                            orNull(P::cellText(entry, P::MessageColumn))}
                    .join(QLatin1Char('|'));
    }
    return rows;
}

// Every run of `analysis` as the actions table exports it.
QStringList expectedRuns(const LogFile &file, const ActionAnalysis &analysis)
{
    const LogFile::ReadAccess access(file);
    const auto texts = RunTexts::make(analysis, access);
    QStringList rows;
    for (size_t run = 0; run < analysis.occurrences.size(); ++run) {
        QStringList cells;
        for (int column : {RunColumns::Id, RunColumns::Name, RunColumns::Arguments, RunColumns::Subsystem,
                           RunColumns::Start, RunColumns::End, RunColumns::Duration, RunColumns::Outcome,
                           RunColumns::SubActions, RunColumns::Cause})
            cells << orNull(RunColumns::cellText(analysis, *texts, int(run), column, true));
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace

class TestStore final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    int stores = 0;

    QString newDatabase() { return dir.filePath(QStringLiteral("store%1.sqlite").arg(++stores)); }

    std::vector<Report> indexInto(const QString &database, const QStringList &paths)
    {
        RunStore store;
        QString error;
        if (!store.open(database, &error))
            qFatal("%s", qPrintable(error));
        return store.index(paths);
    }

    // What a store holds, to compare before and after: every files row, and
    // per file its records and runs summed up.
    QStringList snapshot(const QString &database)
    {
        return select(database, QStringLiteral("SELECT * FROM files ORDER BY id"))
            + select(database, QStringLiteral("SELECT file_id, count(*), sum(line), total(time), "
                                              "sum(length(message)) FROM records GROUP BY file_id"))
            + select(database, QStringLiteral("SELECT file_id, count(*), total(duration), group_concat(name) "
                                              "FROM runs GROUP BY file_id"));
    }

    QString readme()
    {
        QFile file(qEnvironmentVariable("MIRT_SOURCE_DIR") + QStringLiteral("/README.md"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private slots:
    void everyRecordAndRunAsShown_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QString samples = qEnvironmentVariable("MIRT_SOURCE_DIR") + QStringLiteral("/samples/");
        for (const char *name : {"pick_and_place.log", "navigation.log"}) {
            QFile sample(samples + QLatin1String(name));
            QVERIFY(sample.open(QIODevice::ReadOnly));
            QTest::newRow(name) << sample.readAll();
        }
        QTest::newRow("generated") << generatedLog(3000);
        QTest::newRow("awkward") << awkward;
        QTest::newRow("empty") << QByteArray();
    }
    void everyRecordAndRunAsShown()
    {
        QFETCH(QByteArray, content);
        const QString path = writeTestFile(dir, QStringLiteral("shown.log"), content);
        const QString database = newDatabase();
        const std::vector<Report> reports = indexInto(database, {path});
        QCOMPARE(reports.front().outcome, Report::Indexed);
        QStringList errors;
        const auto file = LogFile::load(path, errors);
        const auto analysis = ActionAnalysis::compute(*file, file->entries().size());
        QCOMPARE(reports.front().records, qint64(file->entries().size()));
        QCOMPARE(reports.front().runs, qint64(analysis->occurrences.size()));
        QCOMPARE(one(database, QStringLiteral("SELECT path, records, problems, size, length(sha256) FROM files")),
                 QStringLiteral("%1|%2|%3|%4|64")
                     .arg(path)
                     .arg(file->entries().size())
                     .arg(file->problemCount())
                     .arg(content.size()));
        QCOMPARE(select(database, QStringLiteral("SELECT line, time, type, subsystem, action, activity, message "
                                                 "FROM records ORDER BY line")),
                 expectedRecords(*file));
        QCOMPARE(select(database, QStringLiteral("SELECT id, name, arguments, subsystem, start, \"end\", duration, "
                                                 "outcome, subactions, cause FROM runs ORDER BY rowid")),
                 expectedRuns(*file, *analysis));
        // The runs, and so their counts per outcome, are the table's; and
        // numbers are numbers, whatever a tool compares them with.
        QCOMPARE(one(database, QStringLiteral("SELECT count(*) FROM runs WHERE typeof(id) <> 'integer' "
                                              "OR typeof(subactions) <> 'integer' OR typeof(start) = 'text' "
                                              "OR typeof(duration) = 'text'")),
                 QStringLiteral("0"));
    }

    void filterAndSqlAgree_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("where");
        QTest::newRow("errors") << "type == \"error\"" << "type = 'Error'";
        QTest::newRow("cancellations") << "activity == \"cancel\"" << "activity = 'Cancel'";
        QTest::newRow("one subsystem") << "subsystem == \"arm\"" << "subsystem = 'arm'";
        QTest::newRow("one action") << "action == 4" << "action = 4";
    }
    void filterAndSqlAgree()
    {
        QFETCH(QString, filter);
        QFETCH(QString, where);
        const QString first = writeTestFile(dir, QStringLiteral("first.log"), generatedLog(5000));
        const QString second = writeTestFile(dir, QStringLiteral("second.log"), awkward);
        const QString database = newDatabase();
        indexInto(database, {first, second});
        const auto compiled = CompiledFilter::compile(filter);
        QVERIFY2(compiled->isValid(), qPrintable(compiled->error()));
        for (const QString &path : {first, second}) {
            QStringList errors;
            const auto file = LogFile::load(path, errors);
            FilterJudge judge(compiled);
            int kept = 0;
            for (const LogFileEntry *entry : file->entries())
                kept += judge.keeps(*entry);
            QCOMPARE(one(database,
                         QStringLiteral("SELECT count(*) FROM records JOIN files ON files.id = file_id "
                                        "WHERE files.path = ? AND ") + where,
                         {path}),
                     QString::number(kept));
        }
    }

    // A file is indexed again only when its size, time or bytes changed.
    void changesFound_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("outcome");
        QTest::newRow("untouched") << "none" << int(Report::Skipped);
        QTest::newRow("same bytes, new time") << "touch" << int(Report::Indexed);
        QTest::newRow("same size and time, other bytes") << "bytes" << int(Report::Indexed);
        QTest::newRow("appended to") << "append" << int(Report::Indexed);
        QTest::newRow("cut shorter") << "shorter" << int(Report::Indexed);
    }
    void changesFound()
    {
        QFETCH(QString, change);
        QFETCH(int, outcome);
        const QByteArray content = generatedLog(500);
        const QString path = writeTestFile(dir, QStringLiteral("changing.log"), content);
        const QString other = writeTestFile(dir, QStringLiteral("other.log"), generatedLog(200));
        const QString database = newDatabase();
        indexInto(database, {path, other});
        const QStringList before = snapshot(database);
        QFile file(path);
        const QDateTime time = QFileInfo(path).lastModified();
        if (change == QLatin1String("touch")) {
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(time.addSecs(-60), QFileDevice::FileModificationTime));
        } else if (change == QLatin1String("bytes")) {
            QByteArray changed = content;
            changed.replace("drive speed", "drive SPEED");
            writeTestFile(dir, QStringLiteral("changing.log"), changed);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
            file.close();
            // Only the hash tells this file from the one indexed.
            QCOMPARE(QFileInfo(path).lastModified(), time);
            QCOMPARE(QFileInfo(path).size(), qint64(content.size()));
        } else if (change == QLatin1String("append")) {
            writeTestFile(dir, QStringLiteral("changing.log"), content + "99.0 : Error : arm : late\n");
        } else if (change == QLatin1String("shorter")) {
            writeTestFile(dir, QStringLiteral("changing.log"), awkward);
        }
        file.close();
        const std::vector<Report> reports = indexInto(database, {path, other});
        QCOMPARE(int(reports.at(0).outcome), outcome);
        QCOMPARE(reports.at(1).outcome, Report::Skipped);
        // A skipped file still reports what the store holds of it.
        QCOMPARE(reports.at(1).records, qint64(200));
        QVERIFY(reports.at(1).runs > 0);
        const QStringList after = snapshot(database);
        if (outcome == Report::Skipped)
            QCOMPARE(after, before);
        else
            QVERIFY(after != before);
        // The file keeps its id; its rows are the new file's alone.
        QCOMPARE(one(database, QStringLiteral("SELECT id FROM files WHERE path = ?"), {path}), QStringLiteral("1"));
        QStringList errors;
        const auto now = LogFile::load(path, errors);
        QCOMPARE(one(database, QStringLiteral("SELECT count(*) FROM records WHERE file_id = 1")),
                 QString::number(now->entries().size()));
        QCOMPARE(one(database, QStringLiteral("SELECT count(*) FROM runs WHERE file_id = 1")),
                 QString::number(ActionAnalysis::compute(*now, now->entries().size())->occurrences.size()));
        QCOMPARE(one(database, QStringLiteral("SELECT count(*) FROM records WHERE file_id = 2")),
                 QStringLiteral("200"));
    }

    // A writer killed inside its transaction leaves the store as it was,
    // and the store takes the file afterwards.
    void killedWhileWriting()
    {
        const QString path = writeTestFile(dir, QStringLiteral("killed.log"), generatedLog(1000));
        const QString database = newDatabase();
        indexInto(database, {path});
        const QStringList before = snapshot(database);
        writeTestFile(dir, QStringLiteral("killed.log"), generatedLog(150000));

        QProcess child;
        child.start(QCoreApplication::applicationDirPath() + QStringLiteral("/storeindexer"),
                    {database, QStringLiteral("--stop-after"), QString::number(RunStore::progressRows * 5), path});
        QVERIFY(child.waitForStarted(-1));
        QByteArray output;
        while (!output.contains("writing") && child.state() == QProcess::Running) {
            child.waitForReadyRead(-1);
            output += child.readAllStandardOutput();
        }
        QVERIFY2(output.contains("writing"), output.constData());
        child.kill();
        QVERIFY(child.waitForFinished(-1));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        // Rows of the unfinished transaction had reached the disk.
        QVERIFY(QFileInfo(database + QStringLiteral("-wal")).size() > 0);

        QCOMPARE(snapshot(database), before);
        const Report report = indexInto(database, {path}).front();
        QCOMPARE(report.outcome, Report::Indexed);
        QCOMPARE(one(database, QStringLiteral("SELECT count(*) FROM records")), QString::number(report.records));
    }

    void cancelledBeforeWriting()
    {
        const QString path = writeTestFile(dir, QStringLiteral("cancelled.log"), generatedLog(100));
        const QString database = newDatabase();
        RunStore store;
        QString error;
        QVERIFY(store.open(database, &error));
        const std::atomic<bool> cancelled{true};
        const Report report = store.index(path, &cancelled);
        QCOMPARE(report.outcome, Report::Failed);
        QCOMPARE(report.error, QStringLiteral("cancelled"));
        QCOMPARE(one(database, QStringLiteral("SELECT count(*) FROM files")), QStringLiteral("0"));
    }

    void unreadableFileReported_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "missing.log" << "does not exist";
        QTest::newRow("folder") << "folder" << "is not a regular file";
        QTest::newRow("pipe") << "pipe" << "is not a regular file";
    }
    void unreadableFileReported()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QDir(dir.path()).mkdir(QStringLiteral("folder"));
        ::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe"))).constData(), 0600);
        const QString good = writeTestFile(dir, QStringLiteral("good.log"), generatedLog(300));
        const QString alsoGood = writeTestFile(dir, QStringLiteral("alsogood.log"), awkward);
        const QString database = newDatabase();
        const std::vector<Report> reports = indexInto(database, {good, dir.filePath(name), alsoGood});
        QCOMPARE(reports.at(0).outcome, Report::Indexed);
        QCOMPARE(reports.at(1).outcome, Report::Failed);
        QVERIFY2(reports.at(1).error.contains(message) && reports.at(1).error.contains(name),
                 qPrintable(reports.at(1).error));
        QCOMPARE(reports.at(2).outcome, Report::Indexed);
        QCOMPARE(select(database, QStringLiteral("SELECT path FROM files ORDER BY id")), (QStringList{good, alsoGood}));
    }

    void notAStore_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("message");
        QTest::newRow("text") << QByteArray("1.0 : Info : arm : a log, not a database\n") << QString()
                              << "not a database";
        QTest::newRow("another program's") << QByteArray() << "CREATE TABLE notes(text)" << "no table files";
        QTest::newRow("other columns") << QByteArray()
                                       << "CREATE TABLE files(id, path); CREATE TABLE records(x); CREATE TABLE runs(y)"
                                       << "other columns";
    }
    void notAStore()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, sql);
        QFETCH(QString, message);
        const QString database = newDatabase();
        writeTestFile(dir, QFileInfo(database).fileName(), content);
        for (const QString &statement : sql.split(QStringLiteral("; "), Qt::SkipEmptyParts))
            select(database, statement);
        RunStore store;
        QString error;
        QVERIFY(!store.open(database, &error));
        QVERIFY2(error.contains(message) && error.contains(database), qPrintable(error));
        QVERIFY(!store.isOpen());
        QCOMPARE(store.index(writeTestFile(dir, QStringLiteral("x.log"), awkward)).outcome, Report::Failed);
        // Nothing of it was changed.
        if (!content.isEmpty()) {
            QFile file(database);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), content);
        }
    }

    void exportedTables_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("csv") << int(RunStore::Format::Csv);
        QTest::newRow("json lines") << int(RunStore::Format::JsonLines);
    }
    void exportedTables()
    {
        QFETCH(int, format);
        const QString path = writeTestFile(dir, QStringLiteral("exported.log"), awkward);
        RunStore store;
        QString error;
        QVERIFY(store.open(newDatabase(), &error));
        store.index(path);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QVERIFY2(store.exportTable(QStringLiteral("records"), RunStore::Format(format), out, &error),
                 qPrintable(error));
        const QList<QByteArray> lines = out.data().split('\n');
        QStringList errors;
        const int records = LogFile::load(path, errors)->entries().size();
        if (format == int(RunStore::Format::Csv)) {
            // A header line, a line a record, one of them with its message quoted.
            QCOMPARE(lines.size(), records + 2);
            QCOMPARE(lines.front(), QByteArray("file_id,line,time,type,subsystem,action,activity,message\r"));
            QVERIFY(out.data().contains(",Error,arm,,,\"gripper pressure low, \"\"valve 3\"\"still low\"\r\n"));
        } else {
            QCOMPARE(lines.size(), records + 1);
            const QJsonObject first = QJsonDocument::fromJson(lines.front()).object();
            QCOMPARE(first.keys().size(), 8);
            QCOMPARE(first.value(QStringLiteral("time")).toDouble(), 1.0);
            QVERIFY(first.value(QStringLiteral("action")).toInt() == 1);
            const QJsonObject last = QJsonDocument::fromJson(lines.at(records - 1)).object();
            QVERIFY(last.value(QStringLiteral("action")).isNull());
            QCOMPARE(last.value(QStringLiteral("message")).toString(), QStringLiteral("Grüße ✓"));
            QVERIFY(lines.front().startsWith("{\"file_id\":1,\"line\":2,"));
        }
        QVERIFY(!store.exportTable(QStringLiteral("files; DROP TABLE files"), RunStore::Format(format), out, &error));
        QVERIFY(error.contains(QStringLiteral("no table")));
    }

    // The README's queries run, and its percentile is the statistics' P95.
    void readmeQueries()
    {
        const QString text = readme();
        const int section = text.indexOf(QStringLiteral("## A store of many runs"));
        QVERIFY(section > 0);
        QStringList queries;
        const QRegularExpression block(QStringLiteral("```sql\\n(.*?)```"), QRegularExpression::DotMatchesEverythingOption);
        for (auto it = block.globalMatch(text, section); it.hasNext();)
            queries << it.next().captured(1);
        QCOMPARE(queries.size(), 3);
        QStringList paths;
        for (int i = 0; i < 3; ++i)
            paths << writeTestFile(dir, QStringLiteral("mission%1.log").arg(i), gripLog(20 + 17 * i, i));
        const QString database = newDatabase();
        indexInto(database, paths);
        for (const QString &query : queries) {
            const QStringList rows = select(database, query);
            QVERIFY2(!rows.isEmpty() && !rows.front().startsWith(QLatin1String("error")),
                     qPrintable(query + rows.value(0)));
        }
        QStringList p95s;
        QStringList cancelled;
        for (const QString &path : paths) {
            QStringList errors;
            const auto file = LogFile::load(path, errors);
            const auto analysis = ActionAnalysis::compute(*file, file->entries().size());
            for (const ActionStatistics &statistics : analysis->statistics) {
                if (statistics.name == QLatin1String("Grip") && statistics.timed > 0)
                    p95s << path + QLatin1Char('|') + RunColumns::exactNumber(statistics.p95);
            }
            cancelled.prepend(path + QLatin1Char('|') + QString::number(analysis->statistics.front().cancelled));
        }
        QCOMPARE(p95s.size(), paths.size());
        QCOMPARE(select(database, queries.at(0)), p95s);
        // Each longer file has more cancellations.
        QCOMPARE(select(database, queries.at(1)), cancelled);
    }
};

QTEST_MAIN(TestStore)
#include "tst_store.moc"
