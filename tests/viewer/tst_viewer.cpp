#include "cappedtextdelegate.h"
#include "expr.h"
#include "exprvalue.h"
#include "localpath.h"
#include "logfile.h"
#include "logfileexprcontext.h"
#include "logfileviewer.h"
#include "testfiles.h"
#include "treeviewlayout.h"

#include <QSignalSpy>

#include <QFile>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <set>

namespace {

using Rgb = QList<int>; // {r, g, b}; empty for no background

const Rgb noColour;
const Rgb errorRed{255, 0, 0};
const Rgb warningYellow{255, 255, 0};
const Rgb startGreen{192, 255, 192};
const Rgb completeBlue{192, 192, 255};
const Rgb cancelRed{255, 192, 192};
const Rgb highlightOrange{252, 144, 0};
const Rgb white{255, 255, 255};

Rgb background(const QTreeWidgetItem *item, int column)
{
    const QBrush brush = item->background(column);
    if (brush.style() == Qt::NoBrush)
        return noColour;
    const QColor c = brush.color();
    return {c.red(), c.green(), c.blue()};
}

// The six cell texts joined by "|".
QString rowText(const QTreeWidgetItem *item)
{
    QStringList cells;
    for (int column = 0; column < 6; ++column)
        cells << item->text(column);
    return cells.join(QLatin1Char('|'));
}

// "N : Info : planner : <message>" lines with times 1.0, 2.0, ...
QByteArray plannerLog(const QStringList &messages)
{
    QByteArray out;
    for (int i = 0; i < messages.size(); ++i)
        out += QByteArray::number(i + 1) + ".0 : Info : planner : " + messages.at(i).toUtf8() + '\n';
    return out;
}

// The partner as defined: a linear scan from the row to the nearest match.
int scannedPartner(const LogFile &file, int row, ActionActivity activity)
{
    const auto &entries = file.entries();
    if (!entries.at(row)->action())
        return -1;
    const int id = entries.at(row)->action()->id();
    auto same = [&](int r) { return entries.at(r)->action() && entries.at(r)->action()->id() == id; };
    if (activity == Start) {
        for (int r = row + 1; r < entries.size(); ++r) {
            if (same(r) && (entries.at(r)->activity() == Complete || entries.at(r)->activity() == Cancel))
                return r;
        }
    } else {
        for (int r = row - 1; r >= 0; --r) {
            if (same(r) && entries.at(r)->activity() == Start)
                return r;
        }
    }
    return -1;
}

} // namespace

class TestViewer : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    int fileCount = 0;

    std::shared_ptr<LogFile> load(const QByteArray &content)
    {
        const QString path = writeTestFile(dir, QStringLiteral("log%1.log").arg(++fileCount), content);
        QStringList errors;
        auto file = LogFile::load(path, errors);
        if (!file)
            qFatal("cannot load %s", qPrintable(path));
        return file;
    }

    std::unique_ptr<LogFileViewer> view(const QByteArray &content, int budget = -1)
    {
        auto file = load(content);
        if (budget < 0)
            return std::make_unique<LogFileViewer>(file);
        return std::make_unique<LogFileViewer>(file, nullptr, budget);
    }

    // The first child, `depth` times down.
    static QTreeWidgetItem *descend(QTreeWidgetItem *item, int depth)
    {
        for (int i = 0; i < depth && item; ++i)
            item = item->child(0);
        return item;
    }

private slots:
    void shownText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const int cap = CappedTextDelegate::maxShownLength;
        const QString full(cap, QLatin1Char('a'));
        const QChar ellipsis(0x2026);
        QTest::newRow("short") << QStringLiteral("motor fault") << QStringLiteral("motor fault");
        QTest::newRow("exactly the cap") << full << full;
        QTest::newRow("one more") << full + QLatin1Char('b') << full + ellipsis;
        // A pair that straddles the cut is left out whole.
        const QString pair = QString(cap - 1, QLatin1Char('a')) + QString::fromUtf8("\xF0\x9F\x98\x80") + QLatin1Char('z');
        QTest::newRow("surrogate pair at the cut") << pair << QString(cap - 1, QLatin1Char('a')) + ellipsis;
        // Invisible characters that could make a cell lie are drawn as markers.
        QTest::newRow("right-to-left override") << QString::fromUtf8("\xE2\x80\xAE" "54 C") << QStringLiteral("<U+202E>54 C");
        QTest::newRow("zero-width space") << QString::fromUtf8("er\xE2\x80\x8Bror") << QStringLiteral("er<U+200B>ror");
        QTest::newRow("NUL and carriage return") << QString(QChar(0)) + QStringLiteral("a\r")
                                                 << QStringLiteral("<U+0000>a<U+000D>");
        QTest::newRow("tab and accents stay") << QString::fromUtf8("a\tcaf\xC3\xA9") << QString::fromUtf8("a\tcaf\xC3\xA9");
        QTest::newRow("format character beyond the BMP")
            << QString::fromUtf8("x\xF3\xA0\x80\x81") << QStringLiteral("x<U+E0001>");
    }

    void shownText()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(CappedTextDelegate::shownText(text), shown);
    }

    // The cell keeps the whole message; only drawing and measuring are capped.
    void hugeCellsKeepTheirData()
    {
        auto viewer = view("1.0 : Info : drive : " + QByteArray(100000, 'x') + "\n");
        QVERIFY(qobject_cast<CappedTextDelegate *>(viewer->itemDelegate()));
        QCOMPARE(viewer->topLevelItem(0)->text(5).size(), 100000);
        QVERIFY(viewer->columnWidth(5) < 100000);
    }

    void emptyFileShowsHeaderOnly()
    {
        auto viewer = view(QByteArray());
        QCOMPARE(viewer->topLevelItemCount(), 0);
        QCOMPARE(viewer->columnCount(), 6);
        QCOMPARE(rowText(viewer->headerItem()), QStringLiteral("Time|Type|Subsystem|Action|Activity|Message"));
        QCOMPARE(viewer->metaObject()->className(), "LogFileViewer");
        QVERIFY(viewer->uniformRowHeights());
        QCOMPARE(viewer->highlightedRow(), -1);
    }

    void cellTexts_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QString>("lastRow"); // texts of the last top-level row

        QTest::newRow("small time") << QByteArray("0.000012345 : Info : drive : x")
                                    << "1.2345e-05|Info|drive|||x";
        QTest::newRow("hundred") << QByteArray("100.0 : Debug : drive : x") << "100|Debug|drive|||x";
        QTest::newRow("whole") << QByteArray("12.0 : Warning : arm : x") << "12|Warning|arm|||x";
        QTest::newRow("six digits") << QByteArray("123.4567 : Error : arm : x") << "123.457|Error|arm|||x";
        // From 1000 s on: every integer digit, up to three decimals.
        QTest::newRow("large") << QByteArray("1234567.5 : Info : arm : x") << "1234567.5|Info|arm|||x";
        QTest::newRow("milliseconds kept") << QByteArray("9449.923 : Info : arm : x") << "9449.923|Info|arm|||x";
        QTest::newRow("epoch seconds") << QByteArray("1700000000.123 : Info : arm : x")
                                       << "1700000000.123|Info|arm|||x";
        QTest::newRow("trailing zeros dropped") << QByteArray("1000.500 : Info : arm : x") << "1000.5|Info|arm|||x";
        QTest::newRow("whole thousand") << QByteArray("1000.0 : Info : arm : x") << "1000|Info|arm|||x";
        QTest::newRow("just below") << QByteArray("999.9994 : Info : arm : x") << "999.999|Info|arm|||x";
        QTest::newRow("continued message")
            << QByteArray("1.5 : Info : drive : Obstacle,\n   drive : slowing down")
            << "1.5|Info|drive|||Obstacle,slowing down";
        QTest::newRow("action without arguments")
            << QByteArray("2.5 : Info : planner : starting action: 7: Dock") << "2.5|Info|planner|7|Start|Dock";
        QTest::newRow("action with arguments")
            << QByteArray("2.5 : Info : planner : starting action: 7: Drive, 1.5, fast")
            << "2.5|Info|planner|7|Start|Drive, 1.5, fast";
        QTest::newRow("complete shows the action, not the message")
            << QByteArray("1.0 : Info : a : starting action: 7: Drive, 1.5\n"
                          "2.0 : Info : a : completing action: 7: ignored text")
            << "2|Info|a|7|Complete|Drive, 1.5";
        QTest::newRow("cancel") << QByteArray("3.0 : Error : a : canceling action: 8: Lift")
                                << "3|Error|a|8|Cancel|Lift";
        QTest::newRow("unlinked action record")
            << QByteArray("3.0 : Info : a : canceling action: 8") << "3|Info|a|||canceling action: 8";
    }

    void cellTexts()
    {
        QFETCH(QByteArray, lines);
        QFETCH(QString, lastRow);
        auto viewer = view(lines);
        QTreeWidgetItem *item = viewer->topLevelItem(viewer->topLevelItemCount() - 1);
        QCOMPARE(rowText(item), lastRow);
        QVERIFY(item->toolTip(0).isEmpty());
    }

    void colours_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<Rgb>("colour");

        QTest::newRow("error") << QByteArray("1.0 : Error : a : x") << errorRed;
        QTest::newRow("warning") << QByteArray("1.0 : Warning : a : x") << warningYellow;
        QTest::newRow("info") << QByteArray("1.0 : Info : a : x") << noColour;
        QTest::newRow("debug") << QByteArray("1.0 : Debug : a : x") << noColour;
        QTest::newRow("start") << QByteArray("1.0 : Info : a : starting action: 1: X") << startGreen;
        QTest::newRow("complete") << QByteArray("1.0 : Info : a : completing action: 1: X") << completeBlue;
        // The activity decides, not the severity.
        QTest::newRow("cancel as error") << QByteArray("1.0 : Error : a : canceling action: 1: X") << cancelRed;
        QTest::newRow("start as warning") << QByteArray("1.0 : Warning : a : starting action: 1: X") << startGreen;
    }

    void colours()
    {
        QFETCH(QByteArray, line);
        QFETCH(Rgb, colour);
        auto viewer = view(line + "\n2.0 : Info : a : y");
        const QTreeWidgetItem *item = viewer->topLevelItem(0);
        QCOMPARE(background(item, 5), colour);
        for (int column = 0; column < 5; ++column)
            QCOMPARE(background(item, column), noColour);
        const int recorded = colour.isEmpty() ? 0 : colour[0] * 65536 + colour[1] * 256 + colour[2];
        QCOMPARE(item->data(5, Qt::UserRole), QVariant(recorded));
        QCOMPARE(item->data(0, Qt::UserRole), QVariant(0));
        QCOMPARE(viewer->topLevelItem(1)->data(0, Qt::UserRole), QVariant(1));
    }

    // Partners and tooltips on the cases where the nearest match matters.
    void partners_data()
    {
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QList<int>>("partners"); // per row, with the row's own activity
        QTest::addColumn<QStringList>("outcomes"); // per start, the outcome of its run

        QTest::newRow("plain pair") << QStringList{"starting action: 1: A", "noise", "completing action: 1:"}
                                    << QList<int>{2, -1, 0} << QStringList{"Completed", "", ""};
        QTest::newRow("two starts, one completion")
            << QStringList{"starting action: 1: A", "starting action: 1: A", "completing action: 1:"}
            << QList<int>{2, 2, 1} << QStringList{"Restarted", "Completed", ""};
        QTest::newRow("cancel then complete")
            << QStringList{"starting action: 1: A", "canceling action: 1:", "completing action: 1:"}
            << QList<int>{1, 0, 0} << QStringList{"Cancelled", "", ""};
        QTest::newRow("id reused")
            << QStringList{"starting action: 4: A", "completing action: 4:", "starting action: 4: B",
                           "canceling action: 4:"}
            << QList<int>{1, 0, 3, 2} << QStringList{"Completed", "", "Cancelled", ""};
        QTest::newRow("interleaved ids")
            << QStringList{"starting action: 1: A", "starting action: 2: B", "completing action: 1:",
                           "completing action: 2:"}
            << QList<int>{2, 3, 0, 1} << QStringList{"Completed", "Completed", "", ""};
        QTest::newRow("never completed")
            << QStringList{"starting action: 9: Lost", "completing action: 8: Other"} << QList<int>{-1, -1}
            << QStringList{"Never ended", ""};
        QTest::newRow("end before start")
            << QStringList{"completing action: 3: A", "starting action: 3:"} << QList<int>{-1, -1}
            << QStringList{"", "Never ended"};
        QTest::newRow("restarted, never ended")
            << QStringList{"starting action: 5: A", "noise", "starting action: 5: A"} << QList<int>{-1, -1, -1}
            << QStringList{"Restarted", "", "Never ended"};
        // An id far above the rows read when it starts, ending once many more were read.
        QStringList farApart{"starting action: 2000: A"};
        QList<int> farPartners{301};
        QStringList farOutcomes{"Completed"};
        for (int i = 0; i < 300; ++i) {
            farApart << QStringLiteral("noise");
            farPartners << -1;
            farOutcomes << QString();
        }
        QTest::newRow("large id, ends far apart")
            << (farApart << "completing action: 2000:") << (farPartners << 0) << (farOutcomes << QString());
    }

    void partners()
    {
        QFETCH(QStringList, messages);
        QFETCH(QList<int>, partners);
        QFETCH(QStringList, outcomes);
        auto file = load(plannerLog(messages));
        auto viewer = std::make_unique<LogFileViewer>(file);
        const auto &entries = file->entries();
        for (int row = 0; row < partners.size(); ++row) {
            const int partner = partners.at(row);
            QCOMPARE(viewer->findPartner(row, entries.at(row)->activity()), partner);
            // Times are row + 1; the partner's activity comes from its message.
            QString tip;
            if (partner >= 0) {
                const char *names[] = {"Start", "Complete", "Cancel"};
                tip = QStringLiteral("Time %1, %2").arg(partner + 1).arg(QLatin1String(names[entries.at(partner)->activity()]));
            }
            // A start tells the outcome of its run on a line of its own.
            if (!outcomes.at(row).isEmpty())
                tip += (tip.isEmpty() ? QString() : QStringLiteral("\n")) + QStringLiteral("Outcome: ") + outcomes.at(row);
            QCOMPARE(viewer->topLevelItem(row)->toolTip(4), tip);
            QCOMPARE(viewer->partnerToolTip(row), tip);
        }
        QCOMPARE(viewer->findPartner(-1, Start), -1);
        QCOMPARE(viewer->findPartner(partners.size(), Complete), -1);
    }

    // The indexed search against the scan, for every row and every activity.
    void partnersMatchScan()
    {
        quint32 state = 12345;
        auto next = [&state](int n) {
            state = state * 1103515245u + 12345u;
            return int((state >> 16) % quint32(n));
        };
        QStringList messages;
        const char *prefixes[] = {"starting", "completing", "canceling"};
        for (int i = 0; i < 400; ++i) {
            if (next(5) == 0)
                messages << QStringLiteral("noise %1").arg(i);
            else
                messages << QStringLiteral("%1 action: %2: A").arg(QLatin1String(prefixes[next(3)])).arg(next(6));
        }
        auto file = load(plannerLog(messages));
        LogFileViewer viewer(file);
        for (int row = 0; row < file->entries().size(); ++row) {
            for (ActionActivity activity : {Start, Complete, Cancel, NoActivity})
                QCOMPARE(viewer.findPartner(row, activity), scannedPartner(*file, row, activity));
        }
    }

    void highlightMoves_data()
    {
        QTest::addColumn<QList<int>>("selections");
        QTest::addColumn<QList<int>>("highlights"); // highlighted row after each selection

        // Rows: 0 start 1, 1 noise, 2 complete 1, 3 start 2, 4 start 2, 5 cancel 2, 6 start 3 (never ends)
        QTest::newRow("complete, then ordinary row") << QList<int>{2, 1} << QList<int>{0, -1};
        QTest::newRow("two starts share a cancel") << QList<int>{3, 4, 1} << QList<int>{5, 5, -1};
        QTest::newRow("cancel loses highlight") << QList<int>{4, 6} << QList<int>{5, -1};
        QTest::newRow("start to start") << QList<int>{0, 3, 5, 2} << QList<int>{2, 5, 4, 0};
        QTest::newRow("never completed") << QList<int>{6, 0, 6} << QList<int>{-1, 2, -1};
    }

    void highlightMoves()
    {
        QFETCH(QList<int>, selections);
        QFETCH(QList<int>, highlights);
        auto viewer = view("1.0 : Info : planner : starting action: 1: Move\n"
                           "2.0 : Info : drive : noise\n"
                           "3.0 : Info : planner : completing action: 1:\n"
                           "4.0 : Warning : planner : starting action: 2: Turn\n"
                           "5.0 : Info : planner : starting action: 2: Turn\n"
                           "6.0 : Warning : planner : canceling action: 2:\n"
                           "7.0 : Info : planner : starting action: 3: Lost\n");
        std::set<int> everHighlighted;
        for (int step = 0; step < selections.size(); ++step) {
            viewer->setCurrentItem(viewer->topLevelItem(selections.at(step)));
            const int highlighted = highlights.at(step);
            QCOMPARE(viewer->highlightedRow(), highlighted);
            if (highlighted >= 0)
                everHighlighted.insert(highlighted);
            for (int row = 0; row < viewer->topLevelItemCount(); ++row) {
                const QTreeWidgetItem *item = viewer->topLevelItem(row);
                const int rgb = item->data(5, Qt::UserRole).toInt();
                const Rgb recorded{rgb >> 16, (rgb >> 8) & 0xff, rgb & 0xff};
                for (int column = 0; column < 6; ++column) {
                    Rgb expected = column == 5 ? (rgb ? recorded : noColour) : noColour;
                    if (row == highlighted)
                        expected = highlightOrange;
                    else if (everHighlighted.count(row))
                        expected = column == 5 ? recorded : white;
                    QCOMPARE(background(item, column), expected);
                }
            }
        }
    }

    void subActionRows()
    {
        auto viewer = view(plannerLog({"starting action: 1: Seq [2: Arm, 0.5 [3: Wrist [4: Claw, open []]],5: Grip []]",
                                       "noise", "completing action: 1:", "canceling action: 1:"}));
        const Rgb colours[] = {startGreen, noColour, completeBlue, startGreen};
        for (int row : {0, 2}) {
            QTreeWidgetItem *entry = viewer->topLevelItem(row);
            QCOMPARE(entry->text(5), QStringLiteral("Seq "));
            QCOMPARE(entry->childCount(), 2);
            const QStringList expected{"|||2||    Arm, 0.5 ", "|||3||        Wrist ", "|||4||            Claw, open "};
            for (int depth = 1; depth <= 3; ++depth) {
                QTreeWidgetItem *item = descend(entry, depth);
                QCOMPARE(rowText(item), expected.at(depth - 1));
                QCOMPARE(background(item, 5), colours[row]);
                QVERIFY(!item->data(0, Qt::UserRole).isValid());
                QVERIFY(!item->data(5, Qt::UserRole).isValid());
                QVERIFY(item->toolTip(4).isEmpty());
            }
            QCOMPARE(descend(entry, 3)->childCount(), 0);
            QCOMPARE(rowText(entry->child(1)), QStringLiteral("|||5||    Grip "));
            QCOMPARE(background(entry->child(1), 5), colours[row]);
        }
        // The cancel row names action 1 but has no child rows of its own description.
        QCOMPARE(viewer->topLevelItem(3)->childCount(), 2);
        QCOMPARE(background(descend(viewer->topLevelItem(3), 3), 5), cancelRed);
        QCOMPARE(viewer->subActionRowCount(), 12);

        // A sub-action row stands for its entry row: selecting it highlights the
        // entry's partner, not entry 0's.
        viewer->setCurrentItem(descend(viewer->topLevelItem(2), 3));
        QCOMPARE(viewer->highlightedRow(), 0);
        viewer->setCurrentItem(descend(viewer->topLevelItem(0), 2));
        QCOMPARE(viewer->highlightedRow(), 2);
        QCOMPARE(background(viewer->topLevelItem(2), 3), highlightOrange);
    }

    // A chain of actions, each listing the one before as its only child.
    void depthBound()
    {
        const int chain = LogFileViewer::maxSubActionDepth + 3;
        QStringList messages{"starting action: 1: Link"};
        for (int id = 2; id <= chain; ++id)
            messages << QStringLiteral("starting action: %1: Link [%2:]").arg(id).arg(id - 1);
        auto viewer = view(plannerLog(messages));
        QCOMPARE(viewer->topLevelItemCount(), chain);

        // Entry k + 1 shows k levels: exactly the bound still fits.
        const int limit = LogFileViewer::maxSubActionDepth;
        QTreeWidgetItem *fits = viewer->topLevelItem(limit);
        QCOMPARE(descend(fits, limit)->text(3), QStringLiteral("1"));
        QCOMPARE(descend(fits, limit)->childCount(), 0);

        for (int row = limit + 1; row < chain; ++row) {
            QTreeWidgetItem *deepest = descend(viewer->topLevelItem(row), limit);
            QCOMPARE(deepest->text(5), QString(limit * 4, QLatin1Char(' ')) + QStringLiteral("Link "));
            QCOMPARE(deepest->childCount(), 1);
            QCOMPARE(rowText(deepest->child(0)), QStringLiteral("|||||") + QChar(0x2026));
            QCOMPARE(background(deepest->child(0), 5), startGreen);
            QCOMPARE(deepest->child(0)->childCount(), 0);
        }
    }

    void totalBound()
    {
        // Five children, described once and completed twice.
        const QStringList messages{"starting action: 1: Big [2: C [],3: C [],4: C [],5: C [],6: C []]",
                                   "completing action: 1:", "completing action: 1:", "noise"};
        auto viewer = view(plannerLog(messages), 7);
        QCOMPARE(viewer->topLevelItemCount(), 4);
        QCOMPARE(viewer->subActionRowCount(), 7);
        const QList<QStringList> expected{{"2", "3", "4", "5", "6"}, {"2", "3", ""}, {""}, {}};
        for (int row = 0; row < 4; ++row) {
            const QTreeWidgetItem *entry = viewer->topLevelItem(row);
            QStringList ids;
            for (int i = 0; i < entry->childCount(); ++i)
                ids << entry->child(i)->text(3);
            QCOMPARE(ids, expected.at(row));
            if (!ids.isEmpty() && ids.last().isEmpty()) {
                QCOMPARE(entry->child(entry->childCount() - 1)->text(5), LogFileViewer::omittedRowsText());
                QCOMPARE(background(entry->child(entry->childCount() - 1), 5), completeBlue);
            }
        }
        QCOMPARE(rowText(viewer->topLevelItem(1)->child(1)), QStringLiteral("|||3||    C "));

        QCOMPARE(view(plannerLog(messages))->subActionRowCount(), 15);
        QCOMPARE(LogFileViewer::defaultSubActionBudget(0), LogFileViewer::minSubActionBudget);
        QCOMPARE(LogFileViewer::defaultSubActionBudget(1000000), 4000000);
        QCOMPARE(LogFileViewer::defaultSubActionBudget(INT_MAX), INT_MAX);
    }

    // The record's own text of an action row, shown in its Message tooltip.
    void recordTextInToolTip()
    {
        auto viewer = view("1.0 : Info : a : starting action: 5: Pick, bin3\n"
                           "2.0 : Error : a : completing action: 5: FAILED collision at joint 3\n"
                           "3.0 : Info : a : plain\n");
        QCOMPARE(viewer->topLevelItem(1)->text(5), QStringLiteral("Pick, bin3"));
        QCOMPARE(viewer->topLevelItem(1)->toolTip(5), QStringLiteral("completing action: 5: FAILED collision at joint 3"));
        QVERIFY(viewer->topLevelItem(2)->toolTip(5).isEmpty());
    }

    // Large times in the partner tooltip read like the Time column.
    void partnerTimeFormat()
    {
        auto viewer = view("1700000000.123 : Info : a : starting action: 5: Pick\n"
                           "1700000050.987 : Info : a : completing action: 5:\n");
        QCOMPARE(viewer->topLevelItem(0)->toolTip(4), QStringLiteral("Time 1700000050.987, Complete\nOutcome: Completed"));
        QCOMPARE(viewer->topLevelItem(1)->toolTip(4), QStringLiteral("Time 1700000000.123, Start"));
    }

    // A long time far down the file is not cut short in the Time column.
    void timeColumnFitsTheWidestTime()
    {
        QByteArray lines;
        for (int i = 0; i < 2000; ++i)
            lines += "1.0 : Info : a : x\n";
        lines += "1700000000.123 : Info : a : x\n";
        auto viewer = view(lines);
        auto alone = view("1700000000.123 : Info : a : x\n");
        QVERIFY2(viewer->columnWidth(0) >= alone->columnWidth(0),
                 qPrintable(QStringLiteral("%1 < %2").arg(viewer->columnWidth(0)).arg(alone->columnWidth(0))));
    }

    // A viewer that reads its file on a worker thread starts empty and busy,
    // shows how far it has come, and ends with the rows of a viewer built at
    // once from the same file.
    void loadsInTheBackground()
    {
        const QString path = writeTestFile(dir, QStringLiteral("background.log"), generatedLog(120000));
        QString error;
        const int fd = openLogFileDescriptor(path, error);
        QVERIFY2(fd >= 0, qPrintable(error));
        LogFileViewer viewer(path, fd);
        QSignalSpy progress(&viewer, &LogFileViewer::loadProgressChanged);
        QSignalSpy loaded(&viewer, &LogFileViewer::loaded);
        QVERIFY(viewer.isBusy());
        QCOMPARE(viewer.topLevelItemCount(), 0);
        // What the rows show while the file is read: every 37th row's cells
        // and partner tooltip as they are when rows are added.
        QList<int> countsWhileLoading;
        QHash<int, QString> textsWhileLoading;
        QHash<int, QString> toolTipsWhileLoading;
        connect(viewer.model(), &QAbstractItemModel::rowsInserted, this, [&](const QModelIndex &parent) {
            if (parent.isValid() || !viewer.isLoading())
                return;
            QVERIFY(viewer.isBusy());
            countsWhileLoading << viewer.topLevelItemCount();
            for (int row = 0; row < viewer.topLevelItemCount(); row += 37) {
                textsWhileLoading.insert(row, rowText(viewer.topLevelItem(row)));
                toolTipsWhileLoading.insert(row, viewer.topLevelItem(row)->toolTip(4));
            }
        });
        QVERIFY(loaded.wait(60000));
        QVERIFY(!viewer.isBusy());
        // The rows came in several pieces.
        QVERIFY(countsWhileLoading.size() > 1);

        QList<int> percents;
        for (const QList<QVariant> &signal : qAsConst(progress))
            percents << signal.at(0).toInt();
        QVERIFY(!percents.isEmpty());
        QCOMPARE(percents.last(), 100);
        QVERIFY(std::is_sorted(percents.begin(), percents.end()));

        QStringList errors;
        LogFileViewer reference(LogFile::load(path, errors));
        QCOMPARE(viewer.topLevelItemCount(), reference.topLevelItemCount());
        QCOMPARE(viewer.logFile()->problemCount(), reference.logFile()->problemCount());
        for (int row = 0; row < reference.topLevelItemCount(); row += 37) {
            const QTreeWidgetItem *got = viewer.topLevelItem(row);
            const QTreeWidgetItem *expected = reference.topLevelItem(row);
            QCOMPARE(rowText(got), rowText(expected));
            QCOMPARE(got->toolTip(4), expected->toolTip(4));
            // Shown the same while the file was read; a start whose end was
            // not read yet said nothing of its outcome.
            if (textsWhileLoading.contains(row)) {
                QCOMPARE(textsWhileLoading.value(row), rowText(expected));
                const QString early = toolTipsWhileLoading.value(row);
                if (!early.isEmpty())
                    QCOMPARE(early, expected->toolTip(4));
            }
            QCOMPARE(got->childCount(), expected->childCount());
            if (got->childCount() > 0)
                QCOMPARE(rowText(got->child(0)), rowText(expected->child(0)));
        }
    }

    // A filter pass on one thread and on several shows the same rows as
    // evaluating the filter row by row.
    void filterPassesAgree_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::newRow("errors") << QStringLiteral("type == \"error\"");
        QTest::newRow("words and time") << QStringLiteral("time > 500 && contains(message, \"drive\")");
        QTest::newRow("actions") << QStringLiteral("isaction && activity != \"start\"");
        QTest::newRow("own text") << QStringLiteral("contains(text, \"timeout\") || action == 7");
        QTest::newRow("nothing") << QStringLiteral("false");
    }

    void filterPassesAgree()
    {
        QFETCH(QString, expression);
        auto file = load(generatedLog(70000));
        LogFileViewer rows(file);
        mirt::expr::Expr filter;
        LogFileExprContext context;
        QString error;
        QVERIFY(filter.parse(context, expression, error));
        context.setLogFile(file);
        QList<int> expected;
        for (int row = 0; row < rows.topLevelItemCount(); ++row) {
            context.setItem(rows.topLevelItem(row));
            if (mirt::expr::isTrue(filter.evaluate(context)))
                expected << row;
        }
        for (int threads : {1, 3}) {
            LogFileViewer::setFilterThreadCount(threads);
            LogFileViewer viewer(file);
            QVERIFY(viewer.applyFilter(expression));
            QTRY_VERIFY_WITH_TIMEOUT(!viewer.isBusy(), 60000);
            QList<int> shown;
            for (int row = 0; row < viewer.topLevelItemCount(); ++row) {
                if (!viewer.topLevelItem(row)->isHidden())
                    shown << row;
            }
            QCOMPARE(shown, expected);
            QCOMPARE(viewer.shownRowCount(), expected.size());
        }
        LogFileViewer::setFilterThreadCount(0);
    }

    // The viewer lays out its filtered rows itself; the result is the
    // toolkit's own layout of the same rows.
    void layoutMatchesTheToolkit_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<bool>("expandSome");
        QTest::addColumn<bool>("expandAll");
        QTest::newRow("no filter") << QString() << false << false;
        QTest::newRow("filter") << QStringLiteral("type != \"debug\"") << false << false;
        QTest::newRow("filter, some rows expanded") << QStringLiteral("isaction || type == \"error\"") << true << false;
        QTest::newRow("filter, all expanded") << QStringLiteral("subsystem != \"arm\"") << false << true;
    }

    void layoutMatchesTheToolkit()
    {
        QFETCH(QString, expression);
        QFETCH(bool, expandSome);
        QFETCH(bool, expandAll);
        LogFileViewer viewer(load(generatedLog(3000)));
        viewer.resize(800, 600);
        viewer.show();
        QVERIFY(viewer.applyFilter(expression));
        QTRY_VERIFY(!viewer.isBusy());
        if (expandAll)
            viewer.expandAllRows();
        for (int row = 0; expandSome && row < viewer.topLevelItemCount(); row += 27) {
            viewer.topLevelItem(row)->setExpanded(true);
            if (viewer.topLevelItem(row)->childCount() > 0)
                viewer.topLevelItem(row)->child(0)->setExpanded(true);
        }
        viewer.doItemsLayout();
        const QVector<treeviewlayout::LaidOutRow> ours = treeviewlayout::currentLayout(&viewer);
        viewer.QTreeView::doItemsLayout();
        const QVector<treeviewlayout::LaidOutRow> toolkit = treeviewlayout::currentLayout(&viewer);
        QCOMPARE(ours.size(), toolkit.size());
        for (int i = 0; i < ours.size(); ++i)
            QVERIFY2(ours.at(i) == toolkit.at(i), qPrintable(QStringLiteral("row %1 of the layout differs").arg(i)));
    }

    void resizesColumnsToContents()
    {
        auto viewer = view("1.0 : Info : drive : " + QByteArray(200, 'x'));
        QVERIFY(viewer->header()->sectionSize(5) > viewer->header()->sectionSize(4));
    }
};

QTEST_MAIN(TestViewer)
#include "tst_viewer.moc"
