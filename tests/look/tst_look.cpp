// How the window looks as the user chose it: highlight rules (which rule
// colours a row, bad rules, followed records, the settings), zoom, the dark
// theme's and the light theme's contrast, and the column header's menu.

#include "compiledfilter.h"
#include "entrypresentation.h"
#include "highlightrulesdialog.h"
#include "logfileviewer.h"
#include "mirtlogfileanalyzer.h"
#include "rowcolours.h"
#include "testfiles.h"
#include "viewerpreferences.h"
#include "windowlook.h"
#include "windowtestenvironment.h"

#include <QApplication>
#include <QDockWidget>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QtTest>

namespace {

constexpr quint32 none = EntryPresentation::noColour;

const QByteArray actionLog = "1.0 : Info : planner : starting action: 5: Pick [6: Move []]\n"
                             "2.0 : Info : planner : completing action: 5:\n"
                             "3.0 : Error : drive : motor fault\n"
                             "4.0 : Warning : arm : pressure low\n"
                             "5.0 : Info : drive : all fine\n";

LogFileViewer *currentOf(QMainWindow &w)
{
    return qobject_cast<LogFileViewer *>(w.findChild<QTabWidget *>(QStringLiteral("tabs"))->currentWidget());
}

QAction *actionOf(QMainWindow &w, const QString &name) { return w.findChild<QAction *>(name); }

// A rule written "expression;text;background", a colour as rrggbb or "-"
// for none, and a leading "!" for a rule switched off.
HighlightRule ruleOf(const QString &written)
{
    const QStringList parts = written.split(QLatin1Char(';'));
    HighlightRule rule;
    rule.enabled = !parts.at(0).startsWith(QLatin1Char('!'));
    rule.expression = rule.enabled ? parts.at(0) : parts.at(0).mid(1);
    const auto colour = [](const QString &text) { return text == QLatin1String("-") ? none : text.toUInt(nullptr, 16); };
    rule.text = colour(parts.at(1));
    rule.background = colour(parts.at(2));
    return rule;
}

std::vector<HighlightRule> rulesOf(const QStringList &written)
{
    std::vector<HighlightRule> rules;
    for (const QString &each : written)
        rules.push_back(ruleOf(each));
    return rules;
}

quint32 colourOf(const QVariant &brush)
{
    return brush.isValid() ? brush.value<QBrush>().color().rgb() & 0xFFFFFFu : none;
}

// The background and text colours of a cell; `child` -1 for the record's
// own row.
QPair<quint32, quint32> cellColours(LogFileViewer &viewer, int row, int child, int column)
{
    QTreeWidgetItem *item = viewer.topLevelItem(row);
    if (child >= 0)
        item = item->child(child);
    return {colourOf(item->data(column, Qt::BackgroundRole)), colourOf(item->data(column, Qt::ForegroundRole))};
}

QStringList repeated(const QString &name, int times)
{
    QStringList list;
    for (int i = 0; i < times; ++i)
        list << name;
    return list;
}

void waitUntilIdle(QMainWindow &w) { WAIT_UNTIL_IDLE(w); }

} // namespace

class TestLook final : public QObject
{
    Q_OBJECT

private:
    WindowTestEnvironment environment;
    QTemporaryDir dir;

    std::unique_ptr<MirtLogFileAnalyzer> windowOf(const QByteArray &log, const QString &name = QStringLiteral("r.log"))
    {
        auto w = std::make_unique<MirtLogFileAnalyzer>();
        w->openLogFiles({writeTestFile(dir, name, log)}, true);
        waitUntilIdle(*w);
        return w;
    }

private slots:
    void cleanup()
    {
        // What one case chose must not reach the next.
        QSettings().clear();
        ViewerPreferences::instance().setHighlightRules({});
        ViewerPreferences::instance().setHiddenColumns({});
        RowColours::setDark(false);
    }

    // The first rule true of a record colours its row, over the type's
    // colour, and its sub-action rows; the partner highlight wins over both.
    void rulesColourRows_data()
    {
        QTest::addColumn<QStringList>("rules");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("child");
        QTest::addColumn<int>("column");
        QTest::addColumn<quint32>("background");
        QTest::addColumn<quint32>("text");
        const QString error = QStringLiteral("type == \"error\";-;aabbcc");
        const QString drive = QStringLiteral("subsystem == \"drive\";112233;ddeeff");
        const int message = EntryPresentation::MessageColumn;
        const quint32 errorColour = RowColours::light().error;
        QTest::newRow("the first rule that matches") << QStringList{error, drive} << 2 << -1 << message << 0xAABBCCu
                                                     << none;
        QTest::newRow("in the other order") << QStringList{drive, error} << 2 << -1 << message << 0xDDEEFFu
                                            << 0x112233u;
        QTest::newRow("a rule switched off") << QStringList{QLatin1Char('!') + error, drive} << 2 << -1 << 0
                                             << 0xDDEEFFu << 0x112233u;
        QTest::newRow("over the warning colour") << QStringList{QStringLiteral("type == \"warning\";-;aabbcc")} << 3
                                                 << -1 << message << 0xAABBCCu << none;
        QTest::newRow("text only keeps the type's background")
            << QStringList{QStringLiteral("type == \"error\";00ff00;-")} << 2 << -1 << message << errorColour
            << 0x00FF00u;
        QTest::newRow("no rule matches") << QStringList{QStringLiteral("subsystem == \"vision\";-;aabbcc")} << 2 << -1
                                         << message << errorColour << none;
        QTest::newRow("a sub-action row") << QStringList{QStringLiteral("isaction;445566;aabbcc")} << 0 << 0 << 0
                                          << 0xAABBCCu << 0x445566u;
        QTest::newRow("the partner highlight") << QStringList{QStringLiteral("isaction;445566;aabbcc")} << 0 << -1
                                               << message << RowColours::light().partner << none;
    }

    void rulesColourRows()
    {
        QFETCH(QStringList, rules);
        QFETCH(int, row);
        QFETCH(int, child);
        QFETCH(int, column);
        QFETCH(quint32, background);
        QFETCH(quint32, text);
        auto w = windowOf(actionLog);
        LogFileViewer *viewer = currentOf(*w);
        // The completion is current: its start is the highlighted partner.
        viewer->showEntry(1);
        QCOMPARE(viewer->highlightedRow(), 0);
        QSignalSpy applied(viewer, &LogFileViewer::highlightsApplied);
        ViewerPreferences::instance().setHighlightRules(rulesOf(rules));
        QVERIFY(applied.count() > 0 || applied.wait(30000));
        viewer->expandAll();
        const auto colours = cellColours(*viewer, row, child, column);
        QCOMPARE(colours.first, background);
        QCOMPARE(colours.second, text);
    }

    // Rules know a record's line and whether it is bookmarked, and colour
    // anew when a bookmark is set or taken away.
    void rulesAskLinesAndBookmarks()
    {
        auto w = windowOf(actionLog);
        LogFileViewer *viewer = currentOf(*w);
        const int message = EntryPresentation::MessageColumn;
        const qint64 third = viewer->logFile()->lineOf(3);
        QSignalSpy applied(viewer, &LogFileViewer::highlightsApplied);
        ViewerPreferences::instance().setHighlightRules(
            rulesOf({QStringLiteral("bookmarked;-;aabbcc"), QStringLiteral("line == %1;-;ddeeff").arg(third)}));
        QVERIFY(applied.count() > 0 || applied.wait(30000));
        QCOMPARE(cellColours(*viewer, 3, -1, message).first, 0xDDEEFFu);
        QVERIFY(cellColours(*viewer, 2, -1, message).first != 0xAABBCCu);
        for (const bool on : {true, false}) {
            applied.clear();
            viewer->showEntry(3);
            bool marked = false;
            QVERIFY(viewer->toggleBookmark(&marked));
            QCOMPARE(marked, on);
            QVERIFY(applied.wait(30000));
            QCOMPARE(cellColours(*viewer, 3, -1, message).first, on ? 0xAABBCCu : 0xDDEEFFu);
        }
    }

    // A rule that does not parse shows red with the parser's message in the
    // dialog, and colours nothing; the rules after it still do. Accepted
    // rules are kept in the settings and come back in a new window.
    void rulesFromTheDialog()
    {
        auto w = windowOf(actionLog);
        actionOf(*w, QStringLiteral("viewHighlightRules"))->trigger();
        auto *dialog = w->findChild<HighlightRulesDialog *>(QStringLiteral("highlightRules"));
        QVERIFY(dialog);
        auto *add = dialog->findChild<QPushButton *>(QStringLiteral("highlightAdd"));
        auto *expression = dialog->findChild<QLineEdit *>(QStringLiteral("highlightExpression"));
        auto *list = dialog->findChild<QListWidget *>(QStringLiteral("highlightRuleList"));
        const QString bad = QStringLiteral("type == ");
        QTest::mouseClick(add, Qt::LeftButton);
        QTest::keyClicks(expression, bad);
        dialog->setRuleColours(0, none, 0x102030);
        QTest::mouseClick(add, Qt::LeftButton);
        QTest::keyClicks(expression, QStringLiteral("type == \"warning\""));
        dialog->setRuleColours(1, none, 0x405060);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("highlightUp")), Qt::LeftButton);
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(1)->text(), bad);
        const QString error = CompiledFilter::compile(bad)->error();
        QVERIFY(!error.isEmpty());
        QCOMPARE(list->item(1)->toolTip(), error);
        QCOMPARE(list->item(1)->foreground().color().rgb() & 0xFFFFFFu, 0xD00000u);
        list->setCurrentRow(1);
        QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("highlightError"))->text(), error);

        dialog->accept();
        waitUntilIdle(*w);
        LogFileViewer *viewer = currentOf(*w);
        QTRY_COMPARE(cellColours(*viewer, 3, -1, 0).first, 0x405060u);
        QCOMPARE(cellColours(*viewer, 2, -1, 0).first, none);

        w.reset();
        ViewerPreferences::instance().setHighlightRules({});
        auto again = windowOf(actionLog, QStringLiteral("again.log"));
        const std::vector<HighlightRule> &kept = ViewerPreferences::instance().highlightRules()->rules();
        QCOMPARE(int(kept.size()), 2);
        QCOMPARE(kept[0].expression, QStringLiteral("type == \"warning\""));
        QCOMPARE(kept[1].expression, bad);
        QCOMPARE(kept[1].background, 0x102030u);
        QTRY_COMPARE(cellColours(*currentOf(*again), 3, -1, 0).first, 0x405060u);
    }

    // A merged tab's rows are coloured too, also by their source.
    void mergedRowsAreColoured()
    {
        auto w = std::make_unique<MirtLogFileAnalyzer>();
        w->openMerged({writeTestFile(dir, QStringLiteral("left.log"), actionLog),
                       writeTestFile(dir, QStringLiteral("right.log"), records({QStringLiteral("Error|arm|late")}))});
        waitUntilIdle(*w);
        ViewerPreferences::instance().setHighlightRules(
            rulesOf({QStringLiteral("source == \"right\";-;abcdef"), QStringLiteral("type == \"error\";-;123456")}));
        waitUntilIdle(*w);
        LogFileViewer *viewer = currentOf(*w);
        QVERIFY(viewer->isMergedView());
        QStringList backgrounds;
        for (int row = 0; row < viewer->topLevelItemCount(); ++row)
            backgrounds << QString::number(cellColours(*viewer, row, -1, 0).first, 16);
        QCOMPARE(backgrounds.count(QStringLiteral("abcdef")), 1);
        QCOMPARE(backgrounds.count(QStringLiteral("123456")), 1);
    }

    // Records a followed file gains take their rule's colours.
    void followedRecordsAreColoured()
    {
        const QString path = writeTestFile(dir, QStringLiteral("followed.log"), actionLog);
        auto w = std::make_unique<MirtLogFileAnalyzer>();
        w->openLogFiles({path}, true);
        waitUntilIdle(*w);
        ViewerPreferences::instance().setHighlightRules(
            rulesOf({QStringLiteral("contains(message, \"later\");-;abcdef")}));
        waitUntilIdle(*w);
        actionOf(*w, QStringLiteral("fileFollow"))->trigger();
        QFile out(path);
        QVERIFY(out.open(QIODevice::Append));
        out.write("6.0 : Info : arm : later on\n7.0 : Info : arm : other\n");
        out.close();
        LogFileViewer *viewer = currentOf(*w);
        QTRY_COMPARE_WITH_TIMEOUT(viewer->topLevelItemCount(), 7, 10000);
        QCOMPARE(cellColours(*viewer, 5, -1, 0).first, 0xABCDEFu);
        QCOMPARE(cellColours(*viewer, 6, -1, 0).first, none);
    }

    // What the settings hold is bounded when read: what cannot be a rule
    // is left out.
    void rulesReadFromSettings_data()
    {
        QTest::addColumn<QVariant>("kept");
        QTest::addColumn<int>("rules");
        const auto rule = [](const QVariant &expression, const QVariant &text, const QVariant &background) {
            return QVariantMap{{QStringLiteral("expression"), expression},
                               {QStringLiteral("text"), text},
                               {QStringLiteral("background"), background}};
        };
        const QVariant good = rule(QStringLiteral("isaction"), QStringLiteral("#102030"), QString());
        QTest::newRow("a rule") << QVariant(QVariantList{good}) << 1;
        QTest::newRow("not a list") << QVariant(QStringLiteral("isaction")) << 0;
        QTest::newRow("a colour that is none") << QVariant(QVariantList{rule(QStringLiteral("isaction"), QStringLiteral("red"), QString())}) << 0;
        QTest::newRow("a colour too short") << QVariant(QVariantList{rule(QStringLiteral("isaction"), QStringLiteral("#12345"), QString())}) << 0;
        QTest::newRow("an expression not text") << QVariant(QVariantList{rule(QVariantList{1}, QString(), QString())}) << 0;
        QTest::newRow("an expression too long") << QVariant(QVariantList{rule(QString(5000, QLatin1Char('a')), QString(), QString())}) << 0;
        QVariantList many;
        for (int i = 0; i < 300; ++i)
            many << good;
        QTest::newRow("too many") << QVariant(many) << HighlightRuleSet::maxRules;
    }

    void rulesReadFromSettings()
    {
        QFETCH(QVariant, kept);
        QFETCH(int, rules);
        const std::vector<HighlightRule> read = HighlightRule::fromSettings(kept);
        QCOMPARE(int(read.size()), rules);
        // What is written reads back the same.
        QVERIFY(HighlightRule::fromSettings(HighlightRule::toSettings(read)) == read);
        if (rules > 0)
            QCOMPARE(read.front().text, 0x102030u);
    }

    // Zoom changes the font of the tree and the panels within its bounds,
    // and a new window starts with the size chosen.
    void zoom_data()
    {
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<int>("change");
        QTest::addColumn<int>("fixed");
        QTest::newRow("in") << QStringList{QStringLiteral("viewZoomIn")} << 1 << 0;
        QTest::newRow("in twice, out once") << QStringList{QStringLiteral("viewZoomIn"), QStringLiteral("viewZoomIn"),
                                                           QStringLiteral("viewZoomOut")}
                                            << 1 << 0;
        QTest::newRow("reset") << QStringList{QStringLiteral("viewZoomOut"), QStringLiteral("viewZoomReset")} << 0 << 0;
        QTest::newRow("up to the largest") << repeated(QStringLiteral("viewZoomIn"), 40) << 0
                                           << WindowLook::maxPointSize;
        QTest::newRow("down to the smallest") << repeated(QStringLiteral("viewZoomOut"), 40) << 0
                                              << WindowLook::minPointSize;
    }

    void zoom()
    {
        QFETCH(QStringList, actions);
        QFETCH(int, change);
        QFETCH(int, fixed);
        auto w = windowOf(actionLog);
        const int start = currentOf(*w)->font().pointSize();
        const int expected = fixed ? fixed : start + change;
        for (const QString &name : actions)
            actionOf(*w, name)->trigger();
        QCOMPARE(currentOf(*w)->font().pointSize(), expected);
        for (QDockWidget *dock : w->findChildren<QDockWidget *>())
            QCOMPARE(dock->widget() ? dock->widget()->font().pointSize() : expected, expected);
        // The menus keep the system's size.
        QCOMPARE(w->menuBar()->font().pointSize(), QApplication::font().pointSize());

        w.reset();
        auto again = windowOf(actionLog, QStringLiteral("again.log"));
        QCOMPARE(currentOf(*again)->font().pointSize(), expected);
        // Ctrl+= zooms in as Ctrl++ does.
        QVERIFY(actionOf(*again, QStringLiteral("viewZoomIn"))->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Equal)));
    }

    // Every colour a row's text is drawn on reads at 4.5 to 1 or more, in
    // both themes, also for the lighter text of context rows.
    void contrast_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<quint32>("background");
        for (const bool dark : {false, true}) {
            const RowColours &set = dark ? RowColours::dark() : RowColours::light();
            const char *theme = dark ? "dark" : "light";
            const std::pair<const char *, quint32> cells[] = {
                {"view", set.base},     {"error", set.error},   {"warning", set.warning}, {"start", set.start},
                {"complete", set.complete}, {"cancel", set.cancel}, {"partner", set.partner}};
            for (const auto &[name, colour] : cells)
                QTest::addRow("%s %s", theme, name) << dark << colour;
        }
    }

    void contrast()
    {
        QFETCH(bool, dark);
        QFETCH(quint32, background);
        const RowColours &set = dark ? RowColours::dark() : RowColours::light();
        QVERIFY2(EntryPresentation::contrast(set.text, background) >= 4.5,
                 qPrintable(QString::number(EntryPresentation::contrast(set.text, background))));
        const quint32 context = set.contextText(background);
        QVERIFY(EntryPresentation::contrast(context, background) >= 4.5);
        // Context rows stay lighter (darker) than the others on the view.
        if (background == set.base)
            QVERIFY(EntryPresentation::contrast(context, background) < EntryPresentation::contrast(set.text, background));
    }

    // The dark theme takes effect at once, on the window and the rows, and
    // a new window starts in it.
    void darkTheme()
    {
        auto w = windowOf(actionLog);
        LogFileViewer *viewer = currentOf(*w);
        const int message = EntryPresentation::MessageColumn;
        QCOMPARE(cellColours(*viewer, 2, -1, message).first, RowColours::light().error);
        actionOf(*w, QStringLiteral("viewDarkTheme"))->trigger();
        QCOMPARE(cellColours(*viewer, 2, -1, message).first, RowColours::dark().error);
        QCOMPARE(cellColours(*viewer, 0, -1, message).first, RowColours::dark().start);
        QCOMPARE(viewer->palette().color(QPalette::Base).rgb() & 0xFFFFFFu, RowColours::dark().base);
        QCOMPARE(viewer->palette().color(QPalette::Text).rgb() & 0xFFFFFFu, RowColours::dark().text);

        w.reset();
        RowColours::setDark(false);
        auto again = windowOf(actionLog, QStringLiteral("again.log"));
        QVERIFY(actionOf(*again, QStringLiteral("viewDarkTheme"))->isChecked());
        QVERIFY(RowColours::isDark());
        actionOf(*again, QStringLiteral("viewDarkTheme"))->trigger();
        QCOMPARE(cellColours(*currentOf(*again), 2, -1, message).first, RowColours::light().error);
        QCOMPARE(currentOf(*again)->palette().color(QPalette::Base).rgb() & 0xFFFFFFu, 0xFFFFFFu);
    }

    // The header's menu lists the tab's columns; a column hidden there is
    // hidden in every tab and in a new window, and shows again.
    void headerMenu()
    {
        auto w = windowOf(actionLog);
        w->openLogFiles({writeTestFile(dir, QStringLiteral("second.log"), actionLog)}, false);
        waitUntilIdle(*w);
        auto *tabs = w->findChild<QTabWidget *>(QStringLiteral("tabs"));
        QCOMPARE(tabs->count(), 2);
        LogFileViewer *viewer = currentOf(*w);
        std::unique_ptr<QMenu> menu(viewer->createColumnMenu());
        QCOMPARE(menu->objectName(), QStringLiteral("columnHeaderMenu"));
        QStringList names;
        for (QAction *action : menu->actions())
            names << action->text();
        QCOMPARE(names, EntryPresentation::headerLabels());

        menu->findChild<QAction *>(QStringLiteral("columnSubsystem"))->trigger();
        for (int tab = 0; tab < 2; ++tab)
            QVERIFY(qobject_cast<LogFileViewer *>(tabs->widget(tab))->isColumnHidden(EntryPresentation::SubsystemColumn));
        QVERIFY(!viewer->isColumnHidden(EntryPresentation::TypeColumn));
        QCOMPARE(QSettings().value(QStringLiteral("HiddenColumns")).toStringList(), QStringList{QStringLiteral("Subsystem")});

        menu.reset();
        w.reset();
        ViewerPreferences::instance().setHiddenColumns({});
        auto again = windowOf(actionLog, QStringLiteral("again.log"));
        LogFileViewer *later = currentOf(*again);
        QVERIFY(later->isColumnHidden(EntryPresentation::SubsystemColumn));
        menu.reset(later->createColumnMenu());
        QAction *subsystem = menu->findChild<QAction *>(QStringLiteral("columnSubsystem"));
        QVERIFY(!subsystem->isChecked());
        subsystem->trigger();
        QVERIFY(!later->isColumnHidden(EntryPresentation::SubsystemColumn));
        menu.reset();
    }

    // The last column shown cannot be hidden; Source is listed in merged
    // tabs only.
    void headerMenuBounds()
    {
        auto w = windowOf(actionLog);
        for (const QString &name : EntryPresentation::headerLabels().mid(1))
            LogFileViewer::setColumnHiddenByUser(name, true);
        std::unique_ptr<QMenu> menu(currentOf(*w)->createColumnMenu());
        QVERIFY(!menu->findChild<QAction *>(QStringLiteral("columnTime"))->isEnabled());
        QVERIFY(!menu->findChild<QAction *>(QStringLiteral("columnSource")));
        w->openMerged({writeTestFile(dir, QStringLiteral("a.log"), actionLog),
                       writeTestFile(dir, QStringLiteral("b.log"), actionLog)});
        waitUntilIdle(*w);
        menu.reset(currentOf(*w)->createColumnMenu());
        QVERIFY(menu->findChild<QAction *>(QStringLiteral("columnSource")));
        menu.reset();
    }
};

QTEST_MAIN(TestLook)
#include "tst_look.moc"
