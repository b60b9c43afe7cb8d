// Questions put to the records of a file, without a window: compiled
// filters shared by threads, the search on worker threads, and export.

#include "backgroundwork.h"
#include "compiledfilter.h"
#include "entrypresentation.h"
#include "entrysearch.h"
#include "filterpass.h"
#include "linemarks.h"
#include "logfile.h"
#include "logfileentry.h"
#include "recordexport.h"
#include "robotaction.h"
#include "rowmatcher.h"
#include "testfiles.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <limits>

#include <sys/resource.h>

namespace {

std::shared_ptr<LogFile> loadBytes(const QTemporaryDir &dir, const QByteArray &bytes)
{
    QStringList errors;
    return LogFile::load(writeTestFile(dir, QStringLiteral("log.log"), bytes), errors);
}

// An action with its arguments and sub-actions, all the way down:
// "<id> <name>(<argument>|...)[<sub-action>,...]".
QString treeOf(const RobotAction &action)
{
    QStringList children;
    for (const auto &child : action.children())
        children << treeOf(*child);
    return QStringLiteral("%1 %2(%3)[%4]")
        .arg(action.id())
        .arg(action.name(), action.arguments().join(QLatin1Char('|')), children.join(QLatin1Char(',')));
}

// Per record not hidden: its time, type and subsystem, and for an action
// record its activity and its action's tree, else its message.
QStringList records(const LogFile &file, const std::vector<bool> &hidden = {})
{
    QStringList out;
    for (int row = 0; row < file.entries().size(); ++row) {
        if (size_t(row) < hidden.size() && hidden[size_t(row)])
            continue;
        const LogFileEntry &entry = *file.entries().at(row);
        out << QStringLiteral("%1|%2|%3|%4").arg(entry.time(), 0, 'g', 17).arg(entry.type()).arg(entry.subsystem(),
            entry.hasAction() ? QString::number(entry.activity()) + QLatin1Char(' ') + treeOf(*entry.action())
                              : entry.message());
    }
    return out;
}

// Per entry, whether `filter` hides it.
std::vector<bool> hiddenBy(const LogFile &file, const QString &filter)
{
    const auto compiled = CompiledFilter::compile(filter);
    if (!compiled->isValid())
        qFatal("filter does not parse: %s", qPrintable(filter));
    FilterJudge judge(compiled);
    std::vector<bool> hidden;
    for (const auto &entry : file.entries())
        hidden.push_back(!judge.keeps(*entry));
    return hidden;
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

    // `line` is the line a record starts on, blank and continuation lines
    // counted; `bookmarked` is true on the marked lines. The pass on worker
    // threads and a judge record by record agree.
    void lineAndMarks_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QList<int>>("kept");
        QTest::newRow("a line") << QStringLiteral("line == 6") << QList<int>{1};
        QTest::newRow("a continuation line is no record's start") << QStringLiteral("line == 3") << QList<int>{};
        QTest::newRow("a range") << QStringLiteral("line >= 6 && line < 10") << QList<int>{1, 2};
        QTest::newRow("marked") << QStringLiteral("bookmarked") << QList<int>{0, 3};
        QTest::newRow("marked or error") << QStringLiteral("bookmarked || type == \"error\"") << QList<int>{0, 2, 3};
        QTest::newRow("not marked") << QStringLiteral("bookmarked == false") << QList<int>{1, 2};
    }

    void lineAndMarks()
    {
        QFETCH(QString, expression);
        QFETCH(QList<int>, kept);
        QTemporaryDir dir;
        // Records start on lines 2, 6, 8 and 10.
        const auto file = loadBytes(dir, "\n1.0 : Info : A : a\n   A : more\n\r\n\n2.0 : Info : A : b\n\n"
                                         "3.0 : Error : A : c\n\n4.0 : Info : A : d\n");
        QCOMPARE(file->entries().size(), 4);
        // Line 3 is a continuation line and marks nothing; line 10 of
        // another source neither.
        const auto marks = std::make_shared<const LineMarks>(
            std::vector<std::pair<int, qint64>>{{0, 2}, {0, 10}, {0, 3}, {1, 6}, {0, 2}});
        const auto compiled = CompiledFilter::compile(expression);
        QVERIFY2(compiled->isValid(), qPrintable(compiled->error()));
        FilterJudge judge(compiled, {}, marks);
        QList<int> judged;
        for (int number = 0; number < file->entries().size(); ++number)
            if (judge.keeps(*file->entries().at(number), file->lineOf(number)))
                judged << number;
        QCOMPARE(judged, kept);

        QObject owner;
        auto *work = new BackgroundWork(&owner);
        QList<int> passed;
        bool done = false;
        FilterPass::start(
            file, compiled, 2, *work,
            [&](std::vector<char> &&result) {
                for (int number = 0; number < int(result.size()); ++number)
                    if (result[size_t(number)])
                        passed << number;
                done = true;
            },
            marks);
        QTRY_VERIFY(done);
        QCOMPARE(passed, kept);
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

    // Find counts a row when the text occurs in one of its cells as the view
    // shows them (invisible characters as markers), whether the record keeps
    // its message as Latin-1 or as UTF-16, in either case.
    void matchesWhatTheCellsShow_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("caseSensitive");
        const QString texts[] = {
            QStringLiteral("timeout"), QStringLiteral("TIMEOUT"), QStringLiteral("\u00e9t\u00e9"),
            QStringLiteral("\u00c9T\u00c9"), QStringLiteral("\u03bc"), QStringLiteral("\u00b5m"),
            QStringLiteral("stra\u00dfe"), QStringLiteral("ab"), QStringLiteral("<U+0001>"), QStringLiteral("0001"),
            QStringLiteral("co<U+00AD>de"), QStringLiteral("code"), QStringLiteral("\u0394\u03b9"),
            QStringLiteral("warn"), QStringLiteral("start"), QStringLiteral("a\tb"), QStringLiteral("e"),
            QStringLiteral("\u00ff"), QStringLiteral("\u0178"), QStringLiteral("Pick, bin"), QStringLiteral("7"),
        };
        for (const QString &text : texts) {
            QTest::addRow("%s, ignoring case", qPrintable(text)) << text << false;
            QTest::addRow("%s, case-sensitive", qPrintable(text)) << text << true;
        }
    }

    void matchesWhatTheCellsShow()
    {
        QFETCH(QString, text);
        QFETCH(bool, caseSensitive);
        QTemporaryDir dir;
        const auto file = loadBytes(dir, records({
            QStringLiteral("Timeout while waiting"), QStringLiteral("\u00e9t\u00e9 \u00b5m"),
            QStringLiteral("STRASSE and Stra\u00dfe"), QStringLiteral("a\u0001b"), QStringLiteral("co\u00adde"),
            QStringLiteral("\u0394\u0399 wide \u00c9T\u00c9 TIMEOUT"), QStringLiteral("Warning|nav|a\tb"),
            QStringLiteral("\u00ff and \u0178"), QStringLiteral("starting action: 7: Pick, bin3 []"),
            QStringLiteral("completing action: 7:"), QStringLiteral("\u2028line"),
        }));
        const Qt::CaseSensitivity sensitivity = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
        const RowMatcher matcher(text, caseSensitive, false);
        QCOMPARE(file->entries().size(), 11);
        for (const auto &entry : file->entries()) {
            bool shown = false;
            for (int column = 0; column < EntryPresentation::ColumnCount; ++column) {
                const QString cell = EntryPresentation::cellText(*entry, column);
                shown = shown || EntryPresentation::withVisibleControls(cell).contains(text, sensitivity);
            }
            QVERIFY2(matcher.matches(*entry) == shown, qPrintable(entry->message()));
        }
    }

    // What an export writes reads back as the records it was given, with
    // their action links; so does a file whose times reach the largest
    // double, and one with a time no double holds, whose line is left out.
    void exportReadsBack()
    {
        QTemporaryDir dir;
        const QByteArray largest = QByteArray::number(std::numeric_limits<double>::max(), 'f', 0);
        const auto file = loadBytes(dir, generatedLog(5000) + "7.5 : Info : arm : ends in a return\r\r\n"
                                             + "1" + QByteArray(400, '7') + ".5 : Info : arm : never\n" + largest
                                             + ".0 : Warning : arm : late\n");
        QCOMPARE(file->problemCount(), 1);
        std::vector<bool> hidden(size_t(file->entries().size()));
        for (size_t row = 0; row < hidden.size(); row += 4)
            hidden[row] = true;
        const QString path = dir.filePath(QStringLiteral("shown.log"));
        const RecordExport::Result result = exportTo(file, hidden, path);
        QVERIFY(result.written);
        QCOMPARE(result.rows, int(std::count(hidden.begin(), hidden.end(), false)));
        QCOMPARE(result.path, path);
        QStringList errors;
        const auto back = LogFile::load(path, errors);
        QVERIFY(back);
        QCOMPARE(errors, QStringList());
        QCOMPARE(records(*back), records(*file, hidden));

        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(RecordExport::write(buffer, *file, {}, nullptr));
        QVERIFY(buffer.data().contains("ends in a return\r\r\n"));
    }

    // An export of a filtered view gives each record the action it has in
    // the file shown, also where the record that describes the action is
    // hidden: the same ids, names, arguments and sub-actions, the same
    // activities. A record is written anew only where it must be.
    void exportKeepsActions_data()
    {
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("rewritten");

        const auto lines = [](std::initializer_list<const char *> messages) {
            QByteArray out;
            int time = 0;
            for (const char *message : messages)
                out += QByteArray::number(++time) + ".5 : Info : planner : " + message + '\n';
            return out;
        };
        const QByteArray tasks = lines({"starting action: 100: Task, shelf 2 [101: Pick, bin3 [],102: Place []]",
                                        "starting action: 101:", "completing action: 101:",
                                        "starting action: 102:", "canceling action: 102: grip lost"});
        QTest::newRow("describing record hidden")
            << tasks << QStringLiteral("action != 100")
            << QStringList{QStringLiteral("starting action: 101: Pick,bin3 "),
                           QStringLiteral("starting action: 102: Place ")};
        // The record's own words stay, after the list, where a reader passes
        // them by.
        QTest::newRow("only the cancel with a reason shown")
            << tasks << QStringLiteral("activity == \"cancel\"")
            << QStringList{QStringLiteral("canceling action: 102: Place [] grip lost")};
        QTest::newRow("nothing hidden") << tasks << QString() << QStringList();
        QTest::newRow("the describing record shown") << tasks << QStringLiteral("action != 101") << QStringList();

        const QByteArray mission = lines({"starting action: 1: Mission [2: Fetch, a,, [3: Drive, dock [],4: Lift,, []],5: Report []]",
                                          "starting action: 3: Drive, elsewhere", "completing action: 4:",
                                          "starting action: 2:", "completing action: 2: done", "starting action: 1:"});
        QTest::newRow("nested sub-actions described in a hidden parent")
            << mission << QStringLiteral("time > 2")
            << QStringList{QStringLiteral("starting action: 3: Drive,dock [] Drive, elsewhere"),
                           QStringLiteral("completing action: 4: Lift,,"),
                           QStringLiteral("starting action: 2: Fetch,a,,[3:,4:]"),
                           QStringLiteral("starting action: 1: Mission [2:,5: Report []]")};
        QTest::newRow("a later description of a known action")
            << mission << QStringLiteral("time > 2 && time < 3")
            << QStringList{QStringLiteral("starting action: 3: Drive,dock [] Drive, elsewhere")};

        const QByteArray shared = lines({"starting action: 7: Cycle [8: Step [9: Probe []],10: Step [9:]]",
                                         "starting action: 10:", "starting action: 7:", "completing action: 10: ok",
                                         "completing action: 7:", "Unrelated note"});
        QTest::newRow("a shared sub-action and one action in several records")
            << shared << QStringLiteral("time > 2")
            << QStringList{QStringLiteral("starting action: 10: Step [9: Probe []]"),
                           QStringLiteral("starting action: 7: Cycle [8: Step [9:],10:]")};

        const QByteArray empty = lines({"starting action: 20: [21: [],22: , x []]", "starting action: 21:",
                                        "starting action: 20:"});
        QTest::newRow("empty names")
            << empty << QStringLiteral("time > 2")
            << QStringList{QStringLiteral("starting action: 21: []"), QStringLiteral("starting action: 20: [21:,22: ,x []]")};
    }

    void exportKeepsActions()
    {
        QFETCH(QByteArray, log);
        QFETCH(QString, filter);
        QFETCH(QStringList, rewritten);
        QTemporaryDir dir;
        const auto file = loadBytes(dir, log);
        const std::vector<bool> hidden = hiddenBy(*file, filter);
        const QString path = dir.filePath(QStringLiteral("shown.log"));
        QVERIFY(exportTo(file, hidden, path).written);
        QStringList errors;
        const auto back = LogFile::load(path, errors);
        QVERIFY(back);
        QCOMPARE(errors, QStringList());
        QCOMPARE(records(*back), records(*file, hidden));

        // The messages that had to change, and nothing else.
        QStringList changed;
        for (int row = 0, copy = 0; row < file->entries().size(); ++row) {
            if (hidden[size_t(row)])
                continue;
            const QString &message = back->entries().at(copy++)->message();
            if (message != file->entries().at(row)->message())
                changed << message;
        }
        QCOMPARE(changed, rewritten);
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
