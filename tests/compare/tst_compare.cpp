// Comparing two runs: message templates, the alignment of runs, and the
// three tables and the first difference of crafted pairs of logs.
#include "logfile.h"
#include "messagetemplate.h"
#include "runalignment.h"
#include "runcomparison.h"
#include "testfiles.h"

#include <QtTest>

#include <algorithm>

namespace {

// Every index of both sides once, in order, and equal keys where paired.
bool isAlignment(const std::vector<RunAlignment::Pair> &pairs, const std::vector<int> &a, const std::vector<int> &b)
{
    int nextA = 0;
    int nextB = 0;
    for (const RunAlignment::Pair &pair : pairs) {
        if (pair.a < 0 && pair.b < 0)
            return false;
        if (pair.a >= 0 && pair.a != nextA++)
            return false;
        if (pair.b >= 0 && pair.b != nextB++)
            return false;
        if (pair.a >= 0 && pair.b >= 0 && a[size_t(pair.a)] != b[size_t(pair.b)])
            return false;
    }
    return nextA == int(a.size()) && nextB == int(b.size());
}

int pairedCount(const std::vector<RunAlignment::Pair> &pairs)
{
    return int(std::count_if(pairs.begin(), pairs.end(), [](const RunAlignment::Pair &p) { return p.a >= 0 && p.b >= 0; }));
}

std::vector<int> keysOf(const QString &letters)
{
    std::vector<int> out;
    for (QChar c : letters)
        out.push_back(c.unicode());
    return out;
}

} // namespace

class TestCompare : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    int files = 0;
    std::vector<std::shared_ptr<LogFile>> loaded;

    std::shared_ptr<LogFile> load(const QStringList &lines)
    {
        QStringList errors;
        loaded.push_back(
            LogFile::load(writeTestFile(dir, QStringLiteral("run%1.log").arg(++files), records(lines)), errors));
        return loaded.back();
    }

private slots:
    void cleanup() { loaded.clear(); }

    void templates_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("expected");
        QTest::newRow("digit runs") << "motor 12 at 3.75 A" << "motor # at #.# A";
        QTest::newRow("digits inside a word") << "joint_3 axis2b" << "joint_# axis#b";
        QTest::newRow("hex with 0x") << "fault at 0x1a2b3c now" << "fault at # now";
        QTest::newRow("hex without 0x") << "frame deadbe3f lost" << "frame # lost";
        QTest::newRow("capital hex, 0X") << "id 0XABC123" << "id #";
        QTest::newRow("five hex characters stay") << "code ab1cd" << "code ab#cd";
        QTest::newRow("short hex after 0x") << "reg 0x1f2" << "reg #x#f#";
        QTest::newRow("hex letters without a digit stay") << "tag abcdef" << "tag abcdef";
        QTest::newRow("hex run inside a longer word") << "xyz1a2b3c4" << "xyz#a#b#c#";
        QTest::newRow("nothing to replace") << "gripper open" << "gripper open";
        QTest::newRow("empty") << "" << "";
    }
    void templates()
    {
        QFETCH(QString, message);
        QFETCH(QString, expected);
        QCOMPARE(MessageTemplate::of(message), expected);
    }

    void alignment_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("paired");
        QTest::newRow("equal") << "abcd" << "abcd" << 4;
        QTest::newRow("one added in B") << "abcd" << "abxcd" << 4;
        QTest::newRow("one missing in B") << "abxcd" << "abcd" << 4;
        QTest::newRow("nothing in common") << "abc" << "xyz" << 0;
        QTest::newRow("one side empty") << "" << "abc" << 0;
        QTest::newRow("crossed") << "abcxyz" << "xyzabc" << 3;
        QTest::newRow("repeats") << "abababab" << "babababa" << 7;
    }
    void alignment()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, paired);
        const std::vector<int> keysA = keysOf(a);
        const std::vector<int> keysB = keysOf(b);
        const auto pairs = RunAlignment::align(keysA, keysB);
        QVERIFY(isAlignment(pairs, keysA, keysB));
        QCOMPARE(pairedCount(pairs), paired);
    }

    void longAlignment_data()
    {
        QTest::addColumn<int>("alphabet");
        QTest::newRow("repeated keys, no anchors") << 3;
        QTest::newRow("keys unique on each side") << 1;
    }
    // Too long for the exact table: still a valid alignment that pairs what
    // stayed, with runs inserted and dropped here and there.
    void longAlignment()
    {
        QFETCH(int, alphabet);
        const int count = 20000;
        std::vector<int> a;
        std::vector<int> b;
        for (int i = 0; i < count; ++i) {
            const int key = alphabet > 1 ? i % alphabet : i;
            a.push_back(key);
            if (i % 997 != 0)
                b.push_back(key);
            if (i % 1499 == 0)
                b.push_back(-1 - i);
        }
        const auto pairs = RunAlignment::align(a, b);
        QVERIFY(isAlignment(pairs, a, b));
        QVERIFY2(pairedCount(pairs) >= count - count / 100,
                 qPrintable(QString::number(pairedCount(pairs))));
    }

    void comparison_data()
    {
        QTest::addColumn<QStringList>("linesA");
        QTest::addColumn<QStringList>("linesB");
        QTest::addColumn<QStringList>("byName");
        QTest::addColumn<QStringList>("sequence");
        QTest::addColumn<QStringList>("newErrors");
        QTest::addColumn<QString>("firstDifference");

        const QStringList good{"starting action: 1: Pick, bin1", "completing action: 1:",
                               "starting action: 2: Grip, bin3", "completing action: 2:",
                               "starting action: 3: Place", "completing action: 3:",
                               "Warning|arm|motor 12 hot at 0x1a2b3c"};
        QTest::newRow("B cancels what A completes; new templates")
            << good
            << QStringList{"starting action: 1: Pick, bin1", "completing action: 1:",
                           "starting action: 2: Grip, bin3", "Error|arm|gripper pressure 40 low",
                           "canceling action: 2:", "starting action: 3: Place", "completing action: 3:",
                           "Warning|arm|motor 7 hot at 0xffee01", "Error|vision|frame 1a2b3c lost",
                           "Error|vision|frame 9f8e7d lost", "Warning|drive|code ab1cd",
                           "Info|drive|new info 5 is no error"}
            << QStringList{"Grip 1/1 cancelled 0/1", "Pick 1/1 cancelled 0/0", "Place 1/1 cancelled 0/0"}
            << QStringList{"Pick, bin1 | Pick, bin1", "Grip, bin3 | Grip, bin3", "Place | Place"}
            << QStringList{"gripper pressure # low x1 at 4 arm", "frame # lost x2 at 9 vision",
                           "code ab#cd x1 at 11 drive"}
            << "first difference: Grip, bin3 at 3 s (B): Cancelled, A: Completed";
        QTest::newRow("an extra action in B")
            << good
            << QStringList{"starting action: 1: Pick, bin1", "completing action: 1:",
                           "starting action: 4: Scan", "completing action: 4:",
                           "starting action: 2: Grip, bin3", "completing action: 2:",
                           "starting action: 3: Place", "completing action: 3:"}
            << QStringList{"Grip 1/1 cancelled 0/0", "Pick 1/1 cancelled 0/0", "Place 1/1 cancelled 0/0",
                           "Scan 0/1 cancelled 0/0"}
            << QStringList{"Pick, bin1 | Pick, bin1", "- | Scan", "Grip, bin3 | Grip, bin3", "Place | Place"}
            << QStringList{} << "first difference: Scan at 3 s (B): Completed, A: missing";
        QTest::newRow("a slower action in B, a missing one")
            << good
            << QStringList{"starting action: 1: Pick, bin1", "Info|arm|waiting", "Info|arm|waiting",
                           "completing action: 1:", "starting action: 2: Grip, bin3", "completing action: 2:"}
            << QStringList{"Pick 1/1 cancelled 0/0", "Grip 1/1 cancelled 0/0", "Place 1/0 cancelled 0/0"}
            << QStringList{"Pick, bin1 | Pick, bin1", "Grip, bin3 | Grip, bin3", "Place | -"} << QStringList{}
            << "first difference: Pick, bin1 at 1 s (B): Completed in 3.000 s, A: Completed in 1.000 s";
        QTest::newRow("B has no runs")
            << good << QStringList{"Info|arm|idle"}
            << QStringList{"Grip 1/0 cancelled 0/0", "Pick 1/0 cancelled 0/0", "Place 1/0 cancelled 0/0"}
            << QStringList{"Pick, bin1 | -", "Grip, bin3 | -", "Place | -"} << QStringList{}
            << "first difference: Pick, bin1 at 1 s (A): Completed, B: missing";
        QTest::newRow("neither has runs or problems")
            << QStringList{"Info|arm|idle"} << QStringList{"Debug|arm|idle 2"} << QStringList{} << QStringList{}
            << QStringList{} << QString();
        QTest::newRow("the same runs, twice as long is not yet a difference")
            << good
            << QStringList{"starting action: 1: Pick, bin1", "Info|arm|waiting", "completing action: 1:",
                           "starting action: 2: Grip, bin3", "completing action: 2:", "starting action: 3: Place",
                           "completing action: 3:", "Warning|arm|motor 3 hot at 0xabc123"}
            << QStringList{"Pick 1/1 cancelled 0/0", "Grip 1/1 cancelled 0/0", "Place 1/1 cancelled 0/0"}
            << QStringList{"Pick, bin1 | Pick, bin1", "Grip, bin3 | Grip, bin3", "Place | Place"} << QStringList{}
            << QString();
    }
    void comparison()
    {
        QFETCH(QStringList, linesA);
        QFETCH(QStringList, linesB);
        QFETCH(QStringList, byName);
        QFETCH(QStringList, sequence);
        QFETCH(QStringList, newErrors);
        QFETCH(QString, firstDifference);
        const auto fileA = load(linesA);
        const auto fileB = load(linesB);
        std::shared_ptr<const RunComparison> comparison;
        {
            const LogFile::ReadAccess readA(*fileA);
            const LogFile::ReadAccess readB(*fileB);
            comparison = RunComparison::compute(readA, readB);
        }
        QVERIFY(comparison);

        QStringList names;
        for (const RunComparison::NameRow &row : comparison->byName)
            names << QStringLiteral("%1 %2/%3 cancelled %4/%5")
                         .arg(row.name)
                         .arg(row.a.count)
                         .arg(row.b.count)
                         .arg(row.a.cancelled)
                         .arg(row.b.cancelled);
        QCOMPARE(names, byName);

        QStringList rows;
        for (const RunComparison::SequenceRow &row : comparison->sequence)
            rows << (row.runA >= 0 ? comparison->runText(comparison->a, row.runA) : QStringLiteral("-"))
                        + QStringLiteral(" | ")
                        + (row.runB >= 0 ? comparison->runText(comparison->b, row.runB) : QStringLiteral("-"));
        QCOMPARE(rows, sequence);

        QStringList errors;
        for (const RunComparison::NewError &error : comparison->newErrors)
            errors << QStringLiteral("%1 x%2 at %3 %4").arg(error.text).arg(error.count).arg(error.firstTime).arg(error.subsystem);
        QCOMPARE(errors, newErrors);

        QCOMPARE(comparison->firstDifferenceText, firstDifference);
        QCOMPARE(comparison->firstDifference >= 0, !firstDifference.isEmpty());
    }

    // Worse first: more failures in B, then the larger ratio of medians;
    // names without a ratio after those with one.
    void worstFirst()
    {
        const auto row = [](const char *name, int cancelledA, int cancelledB, double medianA, double medianB) {
            RunComparison::NameRow out;
            out.name = QString::fromLatin1(name);
            out.a.cancelled = cancelledA;
            out.b.cancelled = cancelledB;
            out.a.timed = medianA > 0 ? 1 : 0;
            out.b.timed = medianB > 0 ? 1 : 0;
            out.a.median = medianA;
            out.b.median = medianB;
            return out;
        };
        std::vector<RunComparison::NameRow> rows{row("Steady", 0, 0, 1, 1), row("NoRatio", 0, 0, 0, 2),
                                                 row("Slower", 0, 0, 1, 3), row("Fails", 1, 3, 1, 1),
                                                 row("Better", 2, 0, 1, 1)};
        std::stable_sort(rows.begin(), rows.end(), RunComparison::worseFirst);
        QStringList order;
        for (const auto &r : rows)
            order << r.name;
        QCOMPARE(order, (QStringList{"Fails", "Slower", "Steady", "NoRatio", "Better"}));
    }

    void cancelled()
    {
        const auto fileA = load({"starting action: 1: Pick", "completing action: 1:"});
        const auto fileB = load({"starting action: 1: Pick", "canceling action: 1:"});
        const std::atomic<bool> stop{true};
        const LogFile::ReadAccess readA(*fileA);
        const LogFile::ReadAccess readB(*fileB);
        QVERIFY(!RunComparison::compute(readA, readB, &stop));
    }
};

QTEST_GUILESS_MAIN(TestCompare)
#include "tst_compare.moc"
