// The session file without a window: its JSON written and read back,
// paths relative to the session's folder, what is refused or bounded, and
// whether a file changed since it was saved.
#include "filefingerprint.h"
#include "sessionjson.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace {

SessionTab tabOf(const QStringList &paths, bool merged)
{
    SessionTab tab;
    tab.merged = merged;
    double shift = 0;
    for (const QString &path : paths) {
        FileFingerprint print{1234, 1765000000123, 1234, QByteArray(64, 'a')};
        tab.files.push_back({path, shift, print});
        shift += 1.25;
    }
    return tab;
}

// A session file's JSON with `tabs` as its tab list.
QByteArray withTabs(const QJsonArray &tabs)
{
    return QJsonDocument(QJsonObject{{"format", "mirtsession"}, {"version", 1}, {"current", 0}, {"tabs", tabs}})
        .toJson();
}

QJsonObject plainTab(const QString &path = QStringLiteral("robot.log"))
{
    return QJsonObject{{"files", QJsonArray{QJsonObject{{"path", path}}}}};
}

QJsonObject tabWith(const QString &key, const QJsonValue &value)
{
    QJsonObject tab = plainTab();
    tab.insert(key, value);
    return tab;
}

} // namespace

class TestSessionFile : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip();
    void storedPaths_data();
    void storedPaths();
    void refusedOrBounded_data();
    void refusedOrBounded();
    void largeFilesAreRefusedUnparsed();
    void fileChanges_data();
    void fileChanges();

private:
    QTemporaryDir dir;
};

void TestSessionFile::roundTrip()
{
    Session session;
    SessionTab single = tabOf({dir.filePath("robot.log")}, false);
    single.filter = QStringLiteral("type == \"error\" && contains(message, \"ü\")");
    single.contextRows = 3;
    single.following = true;
    single.currentLine = 4000000000LL;
    single.showActions = true;
    single.bookmarks = {{12, QStringLiteral("gripper slips")}, {4294967295LL, QString()}};
    single.timeOrigin = QDateTime(QDate(2026, 12, 8), QTime(9, 30, 1, 7), Qt::UTC);
    SessionTab merged = tabOf({dir.filePath("logs/planner.log"), "/elsewhere/drive.log"}, true);
    merged.currentLine = 7;
    merged.currentSource = 1;
    merged.showTimeline = true;
    session.tabs = {single, merged};
    session.current = 1;
    const QString path = dir.filePath("a.mirtsession");
    QString error;
    QVERIFY2(sessionjson::write(session, path, &error), qPrintable(error));
    const sessionjson::ReadResult read = sessionjson::read(path);
    QVERIFY2(read.ok, qPrintable(read.error));
    QVERIFY(read.notes.isEmpty());
    QCOMPARE(read.session.current, 1);
    QCOMPARE(read.session.tabs.size(), size_t(2));
    for (size_t i = 0; i < 2; ++i) {
        const SessionTab &want = session.tabs[i];
        const SessionTab &got = read.session.tabs[i];
        QCOMPARE(got.merged, want.merged);
        QCOMPARE(got.files.size(), want.files.size());
        for (size_t j = 0; j < want.files.size(); ++j) {
            QCOMPARE(got.files[j].path, want.files[j].path);
            QCOMPARE(got.files[j].shift, want.merged ? want.files[j].shift : 0.0);
            QVERIFY(got.files[j].fingerprint == want.files[j].fingerprint);
        }
        QCOMPARE(got.filter, want.filter);
        QCOMPARE(got.contextRows, want.contextRows);
        QCOMPARE(got.following, want.following);
        QCOMPARE(got.currentLine, want.currentLine);
        QCOMPARE(got.currentSource, want.currentSource);
        QCOMPARE(got.showActions, want.showActions);
        QCOMPARE(got.showTimeline, want.showTimeline);
        QVERIFY(got.bookmarks == want.bookmarks);
        QCOMPARE(bool(got.timeOrigin), bool(want.timeOrigin));
    }
    QCOMPARE(*read.session.tabs[0].timeOrigin, *single.timeOrigin);
    QCOMPARE(read.session.tabs[0].timeOrigin->time().msec(), 7);
    // Below the session's folder a path is written relative to it.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray json = file.readAll();
    QVERIFY(json.contains("\"path\": \"logs/planner.log\""));
    QVERIFY(json.contains("\"path\": \"/elsewhere/drive.log\""));
    QVERIFY(json.contains("\"timeOrigin\": \"2026-12-08T09:30:01.007Z\""));
}

void TestSessionFile::storedPaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("stored");
    QTest::newRow("beside") << "/data/case/robot.log" << "/data/case" << "robot.log";
    QTest::newRow("below") << "/data/case/logs/a/robot.log" << "/data/case" << "logs/a/robot.log";
    QTest::newRow("above") << "/data/robot.log" << "/data/case" << "/data/robot.log";
    QTest::newRow("sibling") << "/data/other/robot.log" << "/data/case" << "/data/other/robot.log";
    QTest::newRow("name starting with dots") << "/data/case/..robot.log" << "/data/case" << "..robot.log";
    QTest::newRow("dot segments") << "/data/case/x/../robot.log" << "/data/case" << "robot.log";
    QTest::newRow("folder is root") << "/robot.log" << "/" << "robot.log";
}

void TestSessionFile::storedPaths()
{
    QFETCH(QString, path);
    QFETCH(QString, folder);
    QFETCH(QString, stored);
    QCOMPARE(sessionjson::storedPath(path, folder), stored);
    QCOMPARE(sessionjson::resolvedPath(stored, folder), QDir::cleanPath(path));
}

void TestSessionFile::refusedOrBounded_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("tabs");
    QTest::addColumn<QString>("says");

    QJsonArray many;
    for (int i = 0; i < 10000; ++i)
        many.append(plainTab(QStringLiteral("r%1.log").arg(i)));
    QJsonArray marks;
    for (int i = 0; i < sessionjson::maxBookmarks + 5; ++i)
        marks.append(QJsonObject{{"line", i + 1}, {"note", "n"}});
    QJsonArray members;
    for (int i = 0; i < sessionjson::maxFilesPerTab + 1; ++i)
        members.append(QJsonObject{{"path", QStringLiteral("m%1.log").arg(i)}});

    QTest::newRow("not JSON") << QByteArray("robot.log\n") << false << 0 << "it is not JSON";
    QTest::newRow("empty") << QByteArray() << false << 0 << "it is not JSON";
    QTest::newRow("a list") << QByteArray("[1, 2]") << false << 0 << "it does not say it is one";
    QTest::newRow("no format") << QByteArray("{\"version\": 1, \"tabs\": []}") << false << 0
                               << "it does not say it is one";
    QTest::newRow("newer version") << QByteArray(R"({"format": "mirtsession", "version": 2, "tabs": []})") << false
                                   << 0 << "newer version";
    QTest::newRow("version as text") << QByteArray(R"({"format": "mirtsession", "version": "1", "tabs": []})")
                                     << false << 0 << "'version' is not a number";
    QTest::newRow("tabs an object") << QByteArray(R"({"format": "mirtsession", "version": 1, "tabs": {}})") << false
                                    << 0 << "'tabs' is not a list";
    QTest::newRow("deep nesting") << QByteArray(100000, '[') << false << 0 << "it is not JSON";
    QTest::newRow("10,000 tabs") << withTabs(many) << true << sessionjson::maxTabs
                                 << "9936 tabs of the session were left out: at most 64 are restored";
    QTest::newRow("tab a number") << withTabs({5, plainTab()}) << true << 1
                                  << "tab 1 of the session could not be read: it is not an object";
    QTest::newRow("path a number") << withTabs({QJsonObject{{"files", QJsonArray{QJsonObject{{"path", 3}}}}}})
                                   << true << 0 << "'path' is not text";
    QTest::newRow("no files") << withTabs({QJsonObject{{"filter", ""}}}) << true << 0 << "'files' is not a list";
    QTest::newRow("two files unmerged")
        << withTabs({QJsonObject{{"files", QJsonArray{QJsonObject{{"path", "a"}}, QJsonObject{{"path", "b"}}}}}})
        << true << 0 << "a tab has one file";
    QTest::newRow("65 merged files") << withTabs({QJsonObject{{"merged", true}, {"files", members}}}) << true << 0
                                     << "a merged tab has 1 to 64 files";
    QTest::newRow("filter a list") << withTabs({tabWith("filter", QJsonArray{})}) << true << 0
                                   << "'filter' is not text";
    QTest::newRow("long filter") << withTabs({tabWith("filter", QString(70000, 'x'))}) << true << 0
                                 << "'filter' is longer than 65536 characters";
    QTest::newRow("context 51") << withTabs({tabWith("context", 51)}) << true << 0 << "'context' is out of range";
    QTest::newRow("context 2.5") << withTabs({tabWith("context", 2.5)}) << true << 0 << "'context' is out of range";
    QTest::newRow("follow a number") << withTabs({tabWith("follow", 1)}) << true << 0
                                     << "'follow' is not true or false";
    QTest::newRow("line 1e300") << withTabs({tabWith("currentRow", QJsonObject{{"line", 1e300}}), plainTab()})
                                << true << 1 << "in 'currentRow', 'line' is out of range";
    QTest::newRow("line negative") << withTabs({tabWith("currentRow", QJsonObject{{"line", -1}})}) << true << 0
                                   << "'line' is out of range";
    QTest::newRow("source past the files")
        << withTabs({tabWith("currentRow", QJsonObject{{"line", 3}, {"source", 1}})}) << true << 0
        << "'source' is out of range";
    QTest::newRow("shift huge")
        << withTabs({QJsonObject{{"merged", true}, {"files", QJsonArray{QJsonObject{{"path", "a"}, {"shift", 1e12}}}}}})
        << true << 0 << "'shift' is out of range";
    QTest::newRow("size huge")
        << withTabs({QJsonObject{
               {"files", QJsonArray{QJsonObject{
                             {"path", "a"}, {"size", 1e300}, {"sha256", QString(64, 'a')}, {"modified", "x"}}}}}})
        << true << 0 << "'size' is out of range";
    QTest::newRow("hash not hex")
        << withTabs({QJsonObject{{"files", QJsonArray{QJsonObject{{"path", "a"}, {"sha256", QString(64, 'z')}}}}}})
        << true << 0 << "'sha256' is not a SHA-256 in hex";
    QTest::newRow("too many bookmarks") << withTabs({tabWith("bookmarks", marks)}) << true << 1
                                        << "robot.log: 5 bookmarks could not be read and were left out";
    QTest::newRow("bad bookmarks") << withTabs({tabWith("bookmarks", QJsonArray{1, QJsonObject{{"line", 0}},
                                                                               QJsonObject{{"line", 2}, {"note", 3}},
                                                                               QJsonObject{{"line", 4}}})})
                                   << true << 1 << "robot.log: 3 bookmarks could not be read and were left out";
    QTest::newRow("long note")
        << withTabs({tabWith("bookmarks", QJsonArray{QJsonObject{{"line", 2}, {"note", QString(5000, 'n')}}})}) << true
        << 1 << "robot.log: 1 bookmarks could not be read and were left out";
    QTest::newRow("bookmarks an object") << withTabs({tabWith("bookmarks", QJsonObject{})}) << true << 1
                                         << "robot.log: 'bookmarks' is not a list: left out";
    QTest::newRow("bad time origin") << withTabs({tabWith("timeOrigin", "yesterday")}) << true << 1
                                     << "robot.log: 'timeOrigin' is not a date and time: left out";
}

void TestSessionFile::refusedOrBounded()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, ok);
    QFETCH(int, tabs);
    QFETCH(QString, says);
    const sessionjson::ReadResult read = sessionjson::fromJson(json, dir.path());
    QCOMPARE(read.ok, ok);
    QCOMPARE(int(read.session.tabs.size()), tabs);
    const QString told = ok ? read.notes.join(QLatin1Char('\n')) : read.error;
    QVERIFY2(told.contains(says), qPrintable(told));
    for (const SessionTab &tab : read.session.tabs) {
        QVERIFY(tab.bookmarks.size() <= size_t(sessionjson::maxBookmarks));
        QVERIFY(tab.files.size() <= size_t(sessionjson::maxFilesPerTab));
    }
}

void TestSessionFile::largeFilesAreRefusedUnparsed()
{
    // 100 MB of one string: refused after reading a few MB of it.
    const QString path = dir.filePath("huge.mirtsession");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"format": "mirtsession", "version": 1, "tabs": [{"filter": ")");
    const QByteArray block(1024 * 1024, 'x');
    for (int i = 0; i < 100; ++i)
        file.write(block);
    file.write("\"}]}");
    file.close();
    const sessionjson::ReadResult read = sessionjson::read(path);
    QVERIFY(!read.ok);
    QCOMPARE(read.error, QStringLiteral("'huge.mirtsession' is not a session file: it is larger than 4 MiB"));
    QVERIFY(!sessionjson::read(dir.path()).ok);
    QVERIFY(sessionjson::read(dir.filePath("none.mirtsession")).error.startsWith("could not open the session"));
}

void TestSessionFile::fileChanges_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<bool>("newTime");
    QTest::addColumn<int>("change");
    const QByteArray small("1.0 : Info : arm : a\n2.0 : Info : arm : b\n");
    const QByteArray large = QByteArray(1536 * 1024, 'x') + '\n';
    QByteArray largeEdited = large;
    largeEdited[int(large.size()) - 2] = 'y';
    using fingerprints::Change;
    QTest::newRow("untouched") << small << small << false << int(Change::Same);
    QTest::newRow("touched, whole file hashed") << small << small << true << int(Change::Same);
    QTest::newRow("grew") << small << small + "3.0 : Info : arm : c\n" << true << int(Change::Grew);
    QTest::newRow("large grew") << large << large + "more\n" << true << int(Change::Grew);
    QTest::newRow("shorter") << small << small.left(20) << true << int(Change::Changed);
    QTest::newRow("start rewritten") << small << "9" + small.mid(1) << true << int(Change::Changed);
    QTest::newRow("rewritten, longer") << small << "9" + small + "x\n" << true << int(Change::Changed);
    QTest::newRow("edited past the hashed start") << large << largeEdited << true << int(Change::Changed);
    QTest::newRow("large untouched") << large << large << false << int(Change::Same);
    QTest::newRow("empty file") << QByteArray() << QByteArray() << false << int(Change::Same);
    QTest::newRow("empty, then written") << QByteArray() << small << true << int(Change::Grew);
    QTest::newRow("gone") << small << QByteArray("<gone>") << false << int(Change::Missing);
}

void TestSessionFile::fileChanges()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(bool, newTime);
    QFETCH(int, change);
    const QString path = dir.filePath(QStringLiteral("changes.log"));
    QFile::remove(path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(before);
    file.flush();
    file.close();
    const QDateTime saved = QDateTime::currentDateTimeUtc().addSecs(-100);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(saved, QFileDevice::FileModificationTime));
    file.close();
    const FileFingerprint print = fingerprints::take(path);
    QVERIFY(print.isKnown());
    QCOMPARE(print.hashedLength, std::min<qint64>(before.size(), fingerprints::hashedBytes));
    if (after == "<gone>") {
        QVERIFY(QFile::remove(path));
    } else {
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(after);
        file.flush();
        QVERIFY(file.setFileTime(newTime ? saved.addSecs(10) : saved, QFileDevice::FileModificationTime));
        file.close();
    }
    QCOMPARE(int(fingerprints::compare(path, print)), change);
}

QTEST_GUILESS_MAIN(TestSessionFile)
#include "tst_sessionfile.moc"
