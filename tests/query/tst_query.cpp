// Questions put to the records of a file, without a window: compiled
// filters shared by threads, the search on worker threads, and export.

#include "backgroundwork.h"
#include "compiledfilter.h"
#include "entrysearch.h"
#include "filterpass.h"
#include "logfile.h"
#include "logfileentry.h"
#include "recordexport.h"
#include "rowmatcher.h"
#include "testfiles.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include <sys/resource.h>

namespace {

std::shared_ptr<LogFile> loadBytes(const QTemporaryDir &dir, const QByteArray &bytes)
{
    QStringList errors;
    return LogFile::load(writeTestFile(dir, QStringLiteral("log.log"), bytes), errors);
}

QStringList records(const LogFile &file, const std::vector<bool> &hidden = {})
{
    QStringList out;
    for (int row = 0; row < file.entries().size(); ++row) {
        if (size_t(row) < hidden.size() && hidden[size_t(row)])
            continue;
        const LogFileEntry &entry = *file.entries().at(row);
        out << QStringLiteral("%1|%2|%3|%4").arg(entry.time(), 0, 'g', 17).arg(entry.type()).arg(entry.subsystem(),
                                                                                                  entry.message());
    }
    return out;
}

// Writes the records `hidden` does not hide to `path`, as the window does.
RecordExport::Result exportTo(const std::shared_ptr<LogFile> &file, const std::vector<bool> &hidden, const QString &path)
{
    QObject owner;
    auto *work = new BackgroundWork(&owner);
    RecordExport::Result result;
    bool done = false;
    const int rows = int(std::count(hidden.begin(), hidden.end(), false));
    RecordExport::start(file, hidden, rows, path, *work, [&](const RecordExport::Result &written) {
        result = written;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 60000))
        qFatal("the export did not end");
    return result;
}

} // namespace

class TestQuery final : public QObject
{
    Q_OBJECT

private slots:
    // One compiled filter judges on every worker at once, each with a
    // context of its own, exactly as a filter judged record by record.
    void compiledFilterIsShared_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<bool>("valid");
        QTest::newRow("empty keeps all") << QString() << true;
        QTest::newRow("time and subsystem") << QStringLiteral("time > 100 && subsystem == \"arm\"") << true;
        QTest::newRow("contains, or") << QStringLiteral("contains(message, \"grip\") || type == \"error\"") << true;
        QTest::newRow("actions") << QStringLiteral("isaction && activity != \"start\"") << true;
        QTest::newRow("does not parse") << QStringLiteral("time >") << false;
        QTest::newRow("stray parenthesis") << QStringLiteral(")") << false;
    }

    void compiledFilterIsShared()
    {
        QFETCH(QString, expression);
        QFETCH(bool, valid);
        QTemporaryDir dir;
        const auto file = loadBytes(dir, generatedLog(70000));
        const auto compiled = CompiledFilter::compile(expression);
        QCOMPARE(compiled->isValid(), valid);
        QCOMPARE(compiled->error().isEmpty(), valid);
        std::vector<char> expected;
        FilterJudge judge(compiled);
        for (const auto &entry : file->entries())
            expected.push_back(judge.keeps(*entry) ? 1 : 0);
        if (expression.isEmpty())
            QVERIFY(std::all_of(expected.begin(), expected.end(), [](char kept) { return kept == 1; }));
        if (!valid)
            QVERIFY(std::none_of(expected.begin(), expected.end(), [](char kept) { return kept == 1; }));

        QObject owner;
        auto *work = new BackgroundWork(&owner);
        std::vector<char> kept;
        bool done = false;
        FilterPass::start(file, compiled, 4, *work, [&](std::vector<char> &&result) {
            kept = std::move(result);
            done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(done, 30000);
        QVERIFY(kept == expected);
    }

    // A refused filter says why, in the parser's words or by where it
    // stopped when the parser has none.
    void refusedFiltersSayWhy_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("error");
        QTest::newRow("a word no context knows") << QStringLiteral("speed > 3") << QString();
        QTest::newRow("nothing after an operator") << QStringLiteral("time >") << QString();
        QTest::newRow("a stray operator") << QStringLiteral("time > 5 )")
                                          << QStringLiteral("expected operator, got ')'");
    }

    void refusedFiltersSayWhy()
    {
        QFETCH(QString, expression);
        QFETCH(QString, error);
        const auto compiled = CompiledFilter::compile(expression);
        QVERIFY(!compiled->isValid());
        QVERIFY(!compiled->error().isEmpty());
        if (!error.isEmpty())
            QCOMPARE(compiled->error(), error);
        QVERIFY(compiled->errorPosition() >= 0 && compiled->errorPosition() <= expression.size());
    }

    // The search on worker threads finds what a search row by row finds,
    // among the rows not hidden.
    void searchMatchesAScan_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("regular");
        QTest::newRow("plain") << QStringLiteral("BIN3") << false;
        QTest::newRow("a time") << QStringLiteral("12.5") << false;
        QTest::newRow("expression") << QStringLiteral("speed [0-9]+5 ") << true;
    }

    void searchMatchesAScan()
    {
        QFETCH(QString, text);
        QFETCH(bool, regular);
        QTemporaryDir dir;
        const auto file = loadBytes(dir, generatedLog(50000));
        std::vector<bool> hidden(size_t(file->entries().size()));
        for (size_t row = 0; row < hidden.size(); row += 3)
            hidden[row] = true;
        auto matcher = std::make_shared<const RowMatcher>(text, false, regular);
        std::vector<int> expected;
        for (int row = 0; row < file->entries().size(); ++row) {
            if (!hidden[size_t(row)] && matcher->matches(*file->entries().at(row)))
                expected.push_back(row);
        }
        QVERIFY(!expected.empty());
        QObject owner;
        auto *work = new BackgroundWork(&owner);
        std::vector<int> found;
        bool done = false;
        EntrySearch::start(file, matcher, hidden, *work, [&](std::vector<int> &&matches) {
            found = std::move(matches);
            done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(done, 30000);
        QVERIFY(found == expected);
    }

    // What an export writes reads back as the records it was given.
    void exportReadsBack()
    {
        QTemporaryDir dir;
        const auto file = loadBytes(dir, generatedLog(5000) + "7.5 : Info : arm : ends in a return\r\r\n");
        std::vector<bool> hidden(size_t(file->entries().size()));
        for (size_t row = 0; row < hidden.size(); row += 4)
            hidden[row] = true;
        QObject owner;
        auto *work = new BackgroundWork(&owner);
        const QString path = dir.filePath(QStringLiteral("shown.log"));
        RecordExport::Result result;
        bool done = false;
        RecordExport::start(file, hidden, 1234, path, *work, [&](const RecordExport::Result &written) {
            result = written;
            done = true;
        });
        QTRY_VERIFY(done);
        QVERIFY(result.written);
        QCOMPARE(result.rows, 1234);
        QCOMPARE(result.path, path);
        QStringList errors;
        const auto back = LogFile::load(path, errors);
        QVERIFY(back);
        QCOMPARE(errors, QStringList());
        QCOMPARE(records(*back), records(*file, hidden));

        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(RecordExport::write(buffer, *file, {}, nullptr));
        QVERIFY(buffer.data().endsWith("ends in a return\r\r\n"));
    }

    // A write the system refuses in part (here a file size limit) says
    // why; the file that was there stays, and no temporary file is left.
    void refusedWriteSaysWhy_data()
    {
        QTest::addColumn<int>("limit");
        QTest::newRow("in the first piece") << 20000;
        QTest::newRow("in a later piece") << 1500000;
    }

    void refusedWriteSaysWhy()
    {
        QFETCH(int, limit);
        QTemporaryDir dir;
        const auto file = loadBytes(dir, generatedLog(60000));
        QDir folder(dir.filePath(QStringLiteral("out")));
        QVERIFY(folder.mkpath(QStringLiteral(".")));
        const QByteArray old = "1.0 : Info : arm : the export before\n";
        const QString path = writeTestFile(dir, QStringLiteral("out/shown.log"), old);

        // A write past the limit fails with EFBIG, instead of the signal
        // that would end the process.
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        rlimit lowered = saved;
        lowered.rlim_cur = rlim_t(limit);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &lowered) == 0);
        const RecordExport::Result result = exportTo(file, {}, path);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);

        QVERIFY(!result.written);
        QCOMPARE(result.error, QStringLiteral("File too large"));
        QFile kept(path);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), old);
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{QStringLiteral("shown.log")});
    }
};

QTEST_GUILESS_MAIN(TestQuery)
#include "tst_query.moc"
