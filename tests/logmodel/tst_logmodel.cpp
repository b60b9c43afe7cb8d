#include "actionparser.h"
#include "localpath.h"
#include "logfile.h"
#include "logfollower.h"
#include "logreader.h"
#include "testfiles.h"

#include <QBuffer>
#include <QTextCodec>

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const char *typeName(EntryType type)
{
    switch (type) {
    case Debug: return "Debug";
    case Info: return "Info";
    case Warning: return "Warning";
    case Error: return "Error";
    default: return "Unknown";
    }
}

// "time|type|subsystem|message" per entry, in order.
QStringList describeEntries(const LogFile &file)
{
    QStringList out;
    for (const auto &e : file.entries())
        out << QStringLiteral("%1|%2|%3|%4")
                   .arg(e->time())
                   .arg(QLatin1String(typeName(e->type())), e->subsystem(), e->message());
    return out;
}

// Per entry: "-" when unlinked, else "<id> <activity>".
QStringList describeLinks(const LogFile &file)
{
    static const char *names[] = {"Start", "Complete", "Cancel", "NoActivity"};
    QStringList out;
    for (const auto &e : file.entries()) {
        if (!e->action())
            out << QStringLiteral("-");
        else
            out << QStringLiteral("%1 %2").arg(e->action()->id()).arg(QLatin1String(names[e->activity()]));
    }
    return out;
}

// Per registered action: <id> "<name>" (arg;arg) [child,child]
QStringList describeActions(const LogFile &file)
{
    QStringList out;
    for (const auto &a : file.actions()) {
        QStringList children;
        for (const auto &c : a->children())
            children << QString::number(c->id());
        out << QStringLiteral("%1 \"%2\" (%3) [%4]")
                   .arg(a->id())
                   .arg(a->name(), a->arguments().join(QLatin1Char(';')), children.join(QLatin1Char(',')));
    }
    return out;
}

// Serves `data`, then fails every read, as a failing disk or a pulled USB
// stick does. With an empty `failure` it serves the data and then nothing,
// while claiming to be `claimedSize` long.
class FlakyDevice final : public QIODevice
{
public:
    FlakyDevice(const QByteArray &data, const QString &failure, qint64 claimedSize = 0)
        : data(data), failure(failure), claimedSize(claimedSize)
    {
        open(QIODevice::ReadOnly);
    }
    qint64 size() const override { return claimedSize; }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *out, qint64 max) override
    {
        if (served == data.size()) {
            if (failure.isEmpty())
                return 0;
            setErrorString(failure);
            return -1;
        }
        // Small pieces, so that failures come in the middle of lines.
        const qint64 n = std::min<qint64>({max, data.size() - served, 7});
        memcpy(out, data.constData() + served, size_t(n));
        served += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray data;
    QString failure;
    qint64 claimedSize;
    qint64 served = 0;
};

// The log as the reader leaves it after reading `device`.
struct ReadResult
{
    QStringList entries;
    QStringList messages;
    qint64 problems = 0;
};

ReadResult readDevice(QIODevice &device, int maxLineLength = LogReader::defaultMaxLineLength, qint64 limit = -1)
{
    LogFile file(QStringLiteral("device"));
    LogReader reader(file, maxLineLength);
    reader.read(device, limit);
    reader.finish();
    file.linkActions();
    return {describeEntries(file), file.messages(), file.problemCount()};
}

} // namespace

class TestLogModel : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    int fileCount = 0;

    QString writeFile(const QByteArray &content)
    {
        return writeTestFile(dir, QStringLiteral("log%1.log").arg(++fileCount), content);
    }

    std::shared_ptr<LogFile> loadText(const QByteArray &content, QStringList &errors)
    {
        return LogFile::load(writeFile(content), errors);
    }

    // One record per message, each of subsystem A at increasing times.
    std::shared_ptr<LogFile> loadMessages(const QStringList &messages)
    {
        QByteArray content;
        for (int i = 0; i < messages.size(); ++i)
            content += QStringLiteral("%1.0 : Info : A : %2\n").arg(i + 1).arg(messages.at(i)).toUtf8();
        QStringList errors;
        auto file = loadText(content, errors);
        if (!errors.isEmpty())
            qWarning() << errors;
        return file;
    }

private slots:
    void reader_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("errors");

        const auto e = [](const char *s) { return QStringList{QString::fromUtf8(s)}; };

        QTest::newRow("plain") << QByteArray("1.5 : Info : Drive : hello\n") << e("1.5|Info|Drive|hello") << QStringList();
        QTest::newRow("no blanks, empty message") << QByteArray("1.0:Error:X:\n") << e("1|Error|X|") << QStringList();
        QTest::newRow("later colons and trailing blanks stay")
            << QByteArray("1.0 : Info : A : b : c  \n") << e("1|Info|A|b : c  ") << QStringList();
        QTest::newRow("pattern is searched, not anchored")
            << QByteArray("garbage 1.5 : Info : A : b\n") << e("1.5|Info|A|b") << QStringList();
        QTest::newRow("all four levels")
            << QByteArray("1.0 : Debug : A : d\n2.0 : Info : A : i\n3.0 : Warning : A : w\n4.0 : Error : A : e\n")
            << QStringList{QStringLiteral("1|Debug|A|d"), QStringLiteral("2|Info|A|i"),
                           QStringLiteral("3|Warning|A|w"), QStringLiteral("4|Error|A|e")}
            << QStringList();
        QTest::newRow("level word is case-sensitive")
            << QByteArray("1.0 : info : A : b\n") << QStringList() << e("line 1 ignored - '1.0 : info : A : b'");
        QTest::newRow("time needs a point")
            << QByteArray("1 : Info : A : b\n") << QStringList() << e("line 1 ignored - '1 : Info : A : b'");
        QTest::newRow("no underscore in subsystem")
            << QByteArray("1.0 : Info : Drive_Base : x\n") << QStringList()
            << e("line 1 ignored - '1.0 : Info : Drive_Base : x'");
        QTest::newRow("tab around a colon fails")
            << QByteArray("1.0\t: Info : A : x\n") << QStringList() << e("line 1 ignored - '1.0\t: Info : A : x'");
        QTest::newRow("blank line is an unmatched continuation")
            << QByteArray("1.0 : Info : A : x\n   \n") << e("1|Info|A|x") << e("line 2 ignored - '   '");
        QTest::newRow("continuation without a record")
            << QByteArray(" A : x\n") << QStringList() << e("line 1 invalid continuatio line - ' A : x'");
        QTest::newRow("continuation joins without separator")
            << QByteArray("1.0 : Info : drive : Moving\n   drive : forward\n\tdrive:  fast\n")
            << e("1|Info|drive|Movingforwardfast") << QStringList();
        QTest::newRow("continuation skips words before its subsystem")
            << QByteArray("1.0 : Info : text : a\n   some text: more\n") << e("1|Info|text|amore") << QStringList();
        QTest::newRow("continuation of another subsystem")
            << QByteArray("1.0 : Info : drive : a\n  Drive : b\n") << e("1|Info|drive|a")
            << e("line 2 invalid continuatio line - '  Drive : b'");
        QTest::newRow("indented record is a continuation")
            << QByteArray("1.0 : Info : Drive : a\n  12.5 : Info : Drive : msg\n") << e("1|Info|Drive|a")
            << e("line 2 invalid continuatio line - '  12.5 : Info : Drive : msg'");
        QTest::newRow("indented record joins subsystem 5")
            << QByteArray("1.0 : Info : 5 : a\n  12.5 : Info : Drive : msg\n") << e("1|Info|5|aInfo : Drive : msg")
            << QStringList();
        QTest::newRow("continuation after an ignored line joins the record before it")
            << QByteArray("1.0 : Info : A : a\nnonsense\n A : b\n") << e("1|Info|A|ab")
            << e("line 2 ignored - 'nonsense'");
        QTest::newRow("empty lines are not counted")
            << QByteArray("1.0 : Info : A : a\n\n2.0 : Info : A : b\n3.0 : Info : A : c\nbad\n")
            << QStringList{QStringLiteral("1|Info|A|a"), QStringLiteral("2|Info|A|b"), QStringLiteral("3|Info|A|c")}
            << e("line 4 ignored - 'bad'");
        QTest::newRow("messages in line order")
            << QByteArray("x\n1.0 : Info : A : a\n B : c\ny\n")
            << e("1|Info|A|a")
            << QStringList{QStringLiteral("line 1 ignored - 'x'"), QStringLiteral("line 3 invalid continuatio line - ' B : c'"),
                           QStringLiteral("line 4 ignored - 'y'")};
        QTest::newRow("CRLF line ends")
            << QByteArray("1.0 : Info : A : a\r\n A : b\r\n2.0 : Info : A : c\r\n")
            << QStringList{QStringLiteral("1|Info|A|ab"), QStringLiteral("2|Info|A|c")} << QStringList();
        QTest::newRow("last line without line end")
            << QByteArray("1.0 : Info : A : a\n2.0 : Info : A : b") << QStringList{QStringLiteral("1|Info|A|a"), QStringLiteral("2|Info|A|b")}
            << QStringList();
        QTest::newRow("UTF-8 byte order mark")
            << QByteArray("\xEF\xBB\xBF" "1.0 : Info : A : caf\xC3\xA9\n") << e("1|Info|A|caf\xC3\xA9") << QStringList();
        // Written by tools that default to UTF-16: the byte order mark says so.
        const QString wide = QStringLiteral("1.0 : Info : A : caf\u00e9\r\n A : !\r\nbad\n2.0 : Info : A : b");
        const QStringList wideEntries{QStringLiteral("1|Info|A|caf\u00e9!"), QStringLiteral("2|Info|A|b")};
        for (const char *codec : {"UTF-16LE", "UTF-16BE"}) {
            const QByteArray mark = codec[6] == 'L' ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
            QTest::addRow("%s byte order mark", codec)
                << mark + QTextCodec::codecForName(codec)->fromUnicode(wide) << wideEntries
                << QStringList{QStringLiteral("line 3 ignored - 'bad'")};
        }
        // No double holds a time of hundreds of digits: such a line is
        // unusable, and the time is quoted up to its 40th character.
        const QByteArray huge = "1" + QByteArray(400, '0') + ".5";
        QTest::newRow("time too large for a double")
            << QByteArray("1.0 : Info : A : a\n" + huge + " : Info : A : late\n A : more\n2.0 : Info : A : b\n")
            << QStringList{QStringLiteral("1|Info|A|amore"), QStringLiteral("2|Info|A|b")}
            << e("line 2: time '1000000000000000000000000000000000000000\u2026' is out of range");
        QTest::newRow("largest double is a time")
            << QByteArray::number(std::numeric_limits<double>::max(), 'f', 0) + ".0 : Info : A : last\n"
            << e("1.79769e+308|Info|A|last") << QStringList();
        QTest::newRow("empty file") << QByteArray() << QStringList() << QStringList();
        QTest::newRow("only empty lines") << QByteArray("\n\n\n") << QStringList() << QStringList();
    }

    void reader()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, errors);
        QStringList got;
        auto file = loadText(content, got);
        QVERIFY(file);
        QCOMPARE(describeEntries(*file), entries);
        QCOMPARE(got, errors);
    }

    // The load ends on whatever the device does, keeping what was read.
    void deviceFailures_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("messages");
        const QByteArray lines = "1.0 : Info : A : one\n\n2.0 : Info : A : two\n3.0 : Info : A : thr";
        const QString eio = QStringLiteral("Input/output error");
        QTest::newRow("fails at once") << QByteArray() << eio << QStringList()
                                       << QStringList{QStringLiteral("read error after line 0: Input/output error")};
        QTest::newRow("fails inside a line")
            << lines << eio << QStringList{QStringLiteral("1|Info|A|one"), QStringLiteral("2|Info|A|two")}
            << QStringList{QStringLiteral("read error after line 2: Input/output error")};
        QTest::newRow("ends early: claimed size is no promise")
            << lines << QString()
            << QStringList{QStringLiteral("1|Info|A|one"), QStringLiteral("2|Info|A|two"), QStringLiteral("3|Info|A|thr")}
            << QStringList();
    }

    void deviceFailures()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, failure);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, messages);
        FlakyDevice device(data, failure, 1 << 20);
        const ReadResult result = readDevice(device);
        QCOMPARE(result.entries, entries);
        QCOMPARE(result.messages, messages);
    }

    // A file that grows while it loads is read up to the size it had.
    void readsUpToTheLimit()
    {
        QByteArray lines;
        for (int i = 1; i <= 100; ++i)
            lines += QByteArray::number(i) + ".5 : Info : A : x\n";
        QBuffer device(&lines);
        device.open(QIODevice::ReadOnly);
        const qint64 limit = lines.indexOf("4.5");
        QCOMPARE(readDevice(device, LogReader::defaultMaxLineLength, limit).entries.size(), 3);
    }

    // A log read to a line end and then followed ends as a fresh load of
    // the whole file shows it (entries, links, actions, messages), with what
    // is appended cut into two pieces at every byte and read a few bytes at
    // a time. With `pauses`, the follower also looks between the pieces and
    // finds nothing new, which hands on the record it held back. A line that
    // continues a record already handed on, or the last one read before,
    // asks for the file to be read again: that record is shown and linked.
    void followerMatchesAFreshLoad_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QByteArray>("appended");
        QTest::addColumn<bool>("pauses");
        const QByteArray start = "1.0 : Info : planner : starting action: 1: Pick, bin3 [2: Move [],3: Grip []]\n"
                                 "1.1 : Info : arm : starting action: 2:\n"
                                 "1.2 : Warning : arm : slow\n";
        const QByteArray records = "1.3 : Info : arm : completing action: 2:\r\n"
                                   "garbage line\n"
                                   "1.4 : Info : gripper : starting action: 3:\n"
                                   "    vision : not this record\n"
                                   "1.5 : Error : gripper : no grip,\n"
                                   "    gripper :  retrying\n"
                                   "\n"
                                   "1.6 : Info : gripper : canceling action: 3: no grip\n"
                                   "1.7 : Info : planner : starting action: 4: Place [5: Move []]\n";
        for (bool pauses : {false, true}) {
            const char *tail = pauses ? " with pauses" : "";
            QTest::addRow("records%s", tail) << start << records << pauses;
            QTest::addRow("continuing the last record read%s", tail)
                << start << "    arm :  at joint 3\n" + records << pauses;
            QTest::addRow("continuing the last action read%s", tail)
                << start + "1.25 : Info : planner : starting action: 6: Place\n"
                << "    planner : , bin3 [7: Move []]\n" + records << pauses;
            QTest::addRow("from an empty file%s", tail) << QByteArray() << start + records << pauses;
            QTest::addRow("after a last line without its line end%s", tail)
                << start.chopped(1) << "\n" + records << pauses;
        }
    }

    void followerMatchesAFreshLoad()
    {
        QFETCH(QByteArray, start);
        QFETCH(QByteArray, appended);
        QFETCH(bool, pauses);
        QStringList errors;
        const auto fresh = loadText(start + appended, errors);
        QVERIFY(fresh);
        for (int cut = 0; cut <= appended.size(); ++cut) {
            const QString path = writeFile(start);
            QStringList startErrors;
            const auto file = LogFile::load(path, startErrors);
            struct stat info;
            QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
            LogFollower follower(*file, path, start.size(), start.count('\n') + 1, info.st_dev, info.st_ino,
                                 start.right(LogReader::tailBytes));
            bool reloadAsked = false;
            // Polls until everything written is read, as the viewer does.
            const auto poll = [&] {
                LogFollower::Poll result;
                do {
                    LogFollower::Batch batch;
                    ReloadReason reason = ReloadReason::Replaced;
                    result = follower.poll(7, batch, reason);
                    if (result == LogFollower::Poll::Reload) {
                        QCOMPARE(reason, ReloadReason::Continued);
                        reloadAsked = true;
                        return;
                    }
                    LogFile::Appender(*file).append(batch);
                } while (result == LogFollower::Poll::More);
            };
            QFile out(path);
            QVERIFY(out.open(QIODevice::Append));
            out.write(appended.left(cut));
            out.flush();
            poll();
            if (pauses)
                poll();
            out.write(appended.mid(cut));
            out.flush();
            poll();
            // The last record read, or the last line when it was read
            // without its line end, is continued from the start, whatever the
            // cut; a record held back is handed on only by a pause, and is
            // continued when the line that the cut falls in continues it
            // (the vision line continues no record).
            const auto joins = [&](int line) {
                return line < appended.size() && appended.at(line) == ' '
                    && !appended.mid(line).startsWith("    vision");
            };
            const int line = cut > 0 ? appended.lastIndexOf('\n', cut - 1) + 1 : 0;
            const bool continued = (!start.isEmpty() && (joins(0) || !start.endsWith('\n')))
                || (pauses && joins(line));
            QVERIFY2(reloadAsked == continued, qPrintable(QString::number(cut)));
            if (reloadAsked)
                continue;
            poll(); // nothing new: the last record is handed on
            const QString at = QStringLiteral("cut at %1").arg(cut);
            QCOMPARE(describeEntries(*file), describeEntries(*fresh));
            QCOMPARE(describeLinks(*file), describeLinks(*fresh));
            QCOMPARE(describeActions(*file), describeActions(*fresh));
            QVERIFY2(file->messages() == fresh->messages(), qPrintable(at));
            QVERIFY2(file->problemCount() == fresh->problemCount(), qPrintable(at));
        }
    }

    // A followed file written anew in place keeps its name and identity:
    // the bytes before where reading stopped tell it apart from one that
    // grew, whatever its new size.
    void followerSeesAFileWrittenAnew_data()
    {
        QTest::addColumn<QByteArray>("now");
        QTest::addColumn<int>("reason"); // a ReloadReason, or -1 for none
        QTest::addColumn<int>("entries");
        const QByteArray start = "1.0 : Info : A : first\n2.0 : Info : A : second\n";
        QTest::newRow("grown") << start + "3.0 : Info : A : third\n" << -1 << 3;
        QTest::newRow("written anew, longer")
            << QByteArray("7.0 : Info : B : other\n8.0 : Info : B : lines\n9.0 : Info : B : more\n")
            << int(ReloadReason::Rewritten) << 2;
        QTest::newRow("cut shorter") << QByteArray("1.0 : Info : A : first\n") << int(ReloadReason::Shorter) << 2;
    }

    void followerSeesAFileWrittenAnew()
    {
        QFETCH(QByteArray, now);
        QFETCH(int, reason);
        QFETCH(int, entries);
        const QByteArray start = "1.0 : Info : A : first\n2.0 : Info : A : second\n";
        const QString path = writeFile(start);
        QStringList errors;
        const auto file = LogFile::load(path, errors);
        struct stat info;
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        LogFollower follower(*file, path, start.size(), 3, info.st_dev, info.st_ino, start);
        LogFollower::Batch batch;
        ReloadReason why = ReloadReason::Replaced;
        QCOMPARE(follower.poll(1 << 20, batch, why), LogFollower::Poll::Nothing);
        {
            QFile out(path);
            QVERIFY(out.open(QIODevice::ReadWrite | QIODevice::Truncate));
            out.write(now);
        }
        int asked = -1;
        for (int look = 0; look < 3 && asked < 0; ++look) {
            if (follower.poll(1 << 20, batch, why) == LogFollower::Poll::Reload) {
                asked = int(why);
                break;
            }
            LogFile::Appender(*file).append(batch);
        }
        QCOMPARE(asked, reason);
        QCOMPARE(file->entries().size(), entries);
        if (reason < 0)
            QCOMPARE(describeEntries(*file), describeEntries(*loadText(now, errors)));
    }

    // Lines and joined messages are cut at the bound, keeping their start.
    void longLinesAreCut_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("record line") << QByteArray("1.0 : Info : A : abcdefghijklmnop\n2.0 : Info : A : ok\n")
                                     << QStringList{"1|Info|A|abcdefghijk", "2|Info|A|ok"}
                                     << QStringList{"line 1 is longer than 28 characters: only its start is read"};
        QTest::newRow("NUL run") << QByteArray("1.0 : Info : A : x\n") + QByteArray(100, '\0') + "2.0 : Info : A : y\n"
                                 << QStringList{"1|Info|A|x"}
                                 << QStringList{"line 2 is longer than 28 characters: only its start is read",
                                                "line 2 ignored - '" + QString(28, QChar(0)) + "'"};
        // Longer than the bytes kept of a line and than one block read.
        QTest::newRow("line over several blocks")
            << QByteArray("1.0 : Info : A : x\n") + QByteArray(13 << 20, 'a') + "\n2.0 : Info : A : y\n"
            << QStringList{"1|Info|A|x", "2|Info|A|y"}
            << QStringList{"line 2 is longer than 28 characters: only its start is read",
                           "line 2 ignored - '" + QString(28, QLatin1Char('a')) + "'"};
        QTest::newRow("joined message")
            << QByteArray("1.0 : Info : A : 0123456789\n A : 0123456789\n A : 0123456789\n A : more\n")
            << QStringList{"1|Info|A|0123456789012345678901234567"}
            << QStringList{"line 3 is cut: the message it continues reached 28 characters",
                           "line 4 is cut: the message it continues reached 28 characters"};
    }

    void longLinesAreCut()
    {
        QFETCH(QByteArray, data);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, messages);
        QBuffer device(&data);
        device.open(QIODevice::ReadOnly);
        const ReadResult result = readDevice(device, 28);
        QCOMPARE(result.entries, entries);
        QCOMPARE(result.messages, messages);
    }

    // Every problem is counted; only the first messages are kept, each cut.
    void messagesAreBounded()
    {
        QByteArray content = "1.0 : Info : A : fine\n";
        for (int i = 0; i < 1500; ++i)
            content += "bad " + QByteArray(1000, 'x') + "\n";
        QStringList errors;
        auto file = loadText(content, errors);
        QCOMPARE(file->problemCount(), 1500);
        QCOMPARE(errors.size(), LogFile::maxKeptMessages);
        QCOMPARE(errors, file->messages());
        QCOMPARE(errors.last().size(), LogFile::maxMessageLength + 1);
        QVERIFY(errors.last().startsWith(QStringLiteral("line 1001 ignored - 'bad xxx")));
    }

    void actionNumberMessages()
    {
        QStringList errors;
        loadText("1.0 : Info : A : starting action: 2147483648: Big\n"
                 "2.0 : Info : A : completing action: 9999999999:\n"
                 "3.0 : Info : A : starting action: \xD9\xA3: Three\n"
                 "4.0 : Info : A : starting action: 1: Seq [77777777777: X []]\n",
                 errors);
        QCOMPARE(errors, (QStringList{
            "line 1: action number '2147483648' is not a number from 0 to 2147483647 and names no action",
            "line 2: action number '9999999999' is not a number from 0 to 2147483647 and names no action",
            QString::fromUtf8("line 3: action number '\xD9\xA3' is not a number from 0 to 2147483647 and names no action"),
            "line 4: action number '77777777777' is not a number from 0 to 2147483647 and names no action"}));
    }

    // Names are opened as the system gives them; pseudo-files are read to their end.
    void oddPaths()
    {
        QStringList errors;
        const QString loop = dir.filePath(QStringLiteral("loop.log"));
        QVERIFY(QFile::link(loop, loop));
        QVERIFY(!LogFile::load(loop, errors));
        QCOMPARE(errors, QStringList{QStringLiteral("file '%1' is a symbolic link loop").arg(loop)});

        const QByteArray latin1 = QFile::encodeName(dir.path()) + "/pr\xFC" "fung.log";
        FILE *out = fopen(latin1.constData(), "w");
        QVERIFY(out);
        fputs("1.0 : Info : A : umlaut\n", out);
        fclose(out);
        const QString name = decodeLocalPath(latin1);
        QCOMPARE(encodeLocalPath(name), latin1);
        errors.clear();
        auto file = LogFile::load(name, errors);
        QVERIFY2(file, qPrintable(errors.join(QLatin1Char('\n'))));
        QCOMPARE(file->entries().size(), 1);
        QVERIFY(displayPath(name).endsWith(QStringLiteral("pr\uFFFDfung.log")));
        // The toolkit could not remove it with the folder: its name is lost there.
        ::unlink(latin1.constData());

        // Claims 4096 bytes and holds fewer: the read that returns nothing ends it.
        const QString sysfs = QStringLiteral("/sys/kernel/mm/transparent_hugepage/enabled");
        if (QFileInfo::exists(sysfs))
            QVERIFY(LogFile::load(sysfs, errors));

        errors.clear();
        file = LogFile::load(QStringLiteral("/proc/self/maps"), errors);
        QVERIFY(file);
        QVERIFY(file->problemCount() > 0); // its lines are no records, but they were read
    }

    void errorsAreAppended()
    {
        QStringList errors{QStringLiteral("earlier")};
        auto file = loadText("bad\n", errors);
        QVERIFY(file);
        QCOMPARE(errors, (QStringList{QStringLiteral("earlier"), QStringLiteral("line 1 ignored - 'bad'")}));
    }

    void fileChecks()
    {
        QStringList errors;
        const QString missing = dir.filePath(QStringLiteral("missing.log"));
        QVERIFY(!LogFile::load(missing, errors));
        QCOMPARE(errors, QStringList{QStringLiteral("file '") + missing + QStringLiteral("' does not exist")});

        errors.clear();
        QVERIFY(!LogFile::load(dir.path(), errors));
        QCOMPARE(errors, QStringList{QStringLiteral("file '") + dir.path() + QStringLiteral("' is not a regular file")});

        if (geteuid() == 0)
            QSKIP("permissions do not stop root from reading");
        errors.clear();
        const QString locked = writeFile("1.0 : Info : A : a\n");
        QFile::setPermissions(locked, QFileDevice::Permissions());
        QVERIFY(!LogFile::load(locked, errors));
        QCOMPARE(errors, QStringList{QStringLiteral("cannot open '") + locked + QStringLiteral("' for reading")});
    }

    void entryNumbersFollowFileOrder()
    {
        auto file = loadMessages({QStringLiteral("a"), QStringLiteral("b")});
        QCOMPARE(file->entries().size(), 2);
        QCOMPARE(file->entries().at(0)->message(), QStringLiteral("a"));
        QCOMPARE(file->path().isEmpty(), false);
        QCOMPARE(file->entries().at(0)->activity(), NoActivity);
        QVERIFY(!file->entries().at(0)->action());
    }

    void actionTracking_data()
    {
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("links");
        QTest::addColumn<QStringList>("actions");

        const auto l = [](std::initializer_list<const char *> items) {
            QStringList out;
            for (const char *s : items)
                out << QString::fromUtf8(s);
            return out;
        };

        QTest::newRow("start with arguments")
            << l({"starting action: 12: DriveAction, 1.5, 2.0"}) << l({"12 Start"})
            << l({"12 \"DriveAction\" (1.5;2.0) []"});
        QTest::newRow("start, complete, cancel without colon")
            << l({"starting action: 12: Drive", "completing action: 12:", "canceling action: 12"})
            << l({"12 Start", "12 Complete", "-"}) << l({"12 \"Drive\" () []"});
        QTest::newRow("children kept apart by empty lists")
            << l({"starting action: 5: Seq [6: Drive [],7: Turn []]", "starting action: 6:"})
            << l({"5 Start", "6 Start"})
            << l({"5 \"Seq \" () [6,7]", "6 \"Drive \" () []", "7 \"Turn \" () []"});
        QTest::newRow("sibling swallowed as argument")
            << l({"starting action: 5: Seq [6: Drive, 7: Turn]"}) << l({"5 Start"})
            << l({"5 \"Seq \" () [6]", "6 \"Drive\" (7: Turn) []"});
        QTest::newRow("swallowed sibling's list belongs to the child")
            << l({"starting action: 5: Seq [6: Arm, 7: Base [8: Claw []]]"}) << l({"5 Start"})
            << l({"5 \"Seq \" () [6]", "6 \"Arm\" (7: Base ) [8]", "8 \"Claw \" () []"});
        QTest::newRow("empty argument")
            << l({"starting action: 1: A, x,,y"}) << l({"1 Start"}) << l({"1 \"A\" (x;;y) []"});
        QTest::newRow("blank after comma breaks the list")
            << l({"starting action: 5: Seq [6: Drive [], 7: Turn []]", "completing action: 5:"})
            << l({"-", "5 Complete"}) << l({"5 \"Seq \" () [6]", "6 \"Drive \" () []"});
        QTest::newRow("complete creates the action")
            << l({"completing action: 9: Lift"}) << l({"9 Complete"}) << l({"9 \"Lift\" () []"});
        QTest::newRow("cancel creates the action")
            << l({"  canceling action:  9 : Lift"}) << l({"9 Cancel"}) << l({"9 \"Lift\" () []"});
        QTest::newRow("prefix case matters") << l({"Starting action: 3: X"}) << l({"-"}) << QStringList();
        QTest::newRow("prefix alone") << l({"starting action:"}) << l({"-"}) << QStringList();
        QTest::newRow("prefix must open the message") << l({"status: starting action: 3: X"}) << l({"-"}) << QStringList();
        QTest::newRow("number without description") << l({"starting action: 3:"}) << l({"-"}) << QStringList();
        // Numbers that do not fit, or are no plain digits, name no action:
        // they would otherwise all merge into one action 0.
        QTest::newRow("number too large names no action")
            << l({"starting action: 99999999999: Big", "starting action: 0: Zero"}) << l({"-", "0 Start"})
            << l({"0 \"Zero\" () []"});
        QTest::newRow("largest int") << l({"starting action: 2147483647: Max"}) << l({"2147483647 Start"})
                                     << l({"2147483647 \"Max\" () []"});
        QTest::newRow("other number characters name no action")
            << l({"starting action: \xD9\xA3: Three"}) << l({"-"}) << QStringList();
        QTest::newRow("second start keeps the first description")
            << l({"starting action: 4: First, a", "starting action: 4: Second, b"}) << l({"4 Start", "4 Start"})
            << l({"4 \"First\" (a) []"});
        QTest::newRow("known child with a description fails the list")
            << l({"starting action: 2: B", "starting action: 1: A [2: B]"}) << l({"2 Start", "-"})
            << l({"1 \"A \" () [2]", "2 \"B\" () []"});
        QTest::newRow("known child by number alone")
            << l({"starting action: 2: B", "starting action: 1: A [2:]"}) << l({"2 Start", "1 Start"})
            << l({"1 \"A \" () [2]", "2 \"B\" () []"});
        QTest::newRow("text after the top-level list is ignored")
            << l({"starting action: 1: A [2: B []] trailing"}) << l({"1 Start"})
            << l({"1 \"A \" () [2]", "2 \"B \" () []"});
        QTest::newRow("character after a child's list fails")
            << l({"starting action: 1: A [2: B []x]"}) << l({"-"}) << l({"1 \"A \" () [2]", "2 \"B \" () []"});
        QTest::newRow("unclosed list runs to the end")
            << l({"starting action: 1: A [2: B, c"}) << l({"1 Start"}) << l({"1 \"A \" () [2]", "2 \"B\" (c) []"});
        QTest::newRow("trailing comma in a list")
            << l({"starting action: 1: A [2: B [],]"}) << l({"1 Start"}) << l({"1 \"A \" () [2]", "2 \"B \" () []"});
        QTest::newRow("a child that is no reference fails the list")
            << l({"starting action: 1: A [x]"}) << l({"-"}) << l({"1 \"A \" () []"});
        // A child that names the action itself or an ancestor is left out.
        QTest::newRow("child names itself")
            << l({"starting action: 5: A [5:]"}) << l({"5 Start"}) << l({"5 \"A \" () []"});
        QTest::newRow("child names an ancestor")
            << l({"starting action: 1: A [2: B [1:,3: C []]]"}) << l({"1 Start"})
            << l({"1 \"A \" () [2]", "2 \"B \" () [3]", "3 \"C \" () []"});
    }

    void actionTracking()
    {
        QFETCH(QStringList, messages);
        QFETCH(QStringList, links);
        QFETCH(QStringList, actions);
        auto file = loadMessages(messages);
        QVERIFY(file);
        QCOMPARE(describeLinks(*file), links);
        QCOMPARE(describeActions(*file), actions);
    }

    void actionsAreShared()
    {
        auto file = loadMessages({QStringLiteral("starting action: 5: Seq [6: Drive []]"),
                                  QStringLiteral("starting action: 6: Other"),
                                  QStringLiteral("completing action: 6:"),
                                  QStringLiteral("completing action: 5:")});
        const auto &e = file->entries();
        QCOMPARE(e.at(0)->action(), e.at(3)->action());
        QCOMPARE(e.at(1)->action(), e.at(2)->action());
        QCOMPARE(e.at(0)->action()->children().at(0), e.at(1)->action());
        QCOMPARE(file->actions().value(6).get(), e.at(1)->action());
        QCOMPARE(e.at(1)->action()->name(), QStringLiteral("Drive "));
    }

    void scannerPositions()
    {
        int position = 0;
        const QString text = QStringLiteral("  completing action:  42 :  Lift, 3 [7: X []] rest");
        QCOMPARE(matchActionPrefix(text, position), QStringLiteral("completing action:"));
        QCOMPARE(position, 22);
        QCOMPARE(parseActionId(text, position), 42);
        QCOMPARE(text.mid(position, 4), QStringLiteral("Lift"));
        QString children;
        auto action = parseActionDescription(text, position, 42, children);
        QVERIFY(action);
        QCOMPARE(action->name(), QStringLiteral("Lift"));
        QCOMPARE(action->arguments(), QStringList{QStringLiteral("3 ")});
        QCOMPARE(children, QStringLiteral("7: X []"));
        QCOMPARE(text.mid(position), QStringLiteral(" rest"));

        position = 3;
        QCOMPARE(parseActionId(QStringLiteral("12 x"), position = 0), -1);
        QCOMPARE(position, 3);
        position = 0;
        QVERIFY(!parseActionDescription(QStringLiteral(""), position, 1, children));
    }

    // A corrupt line with very deep child lists must neither overflow the stack
    // nor take quadratic time; lists deeper than the bound fail like malformed ones.
    void deepNestingIsBounded()
    {
        QString message = QStringLiteral("starting action: 1: A ");
        const int depth = 100000;
        for (int i = 2; i <= depth; ++i)
            message += QStringLiteral("[%1: A ").arg(i);
        message += QString(depth, QLatin1Char(']'));
        auto file = loadMessages({message, QStringLiteral("starting action: ") + QString(100000, QLatin1Char('['))});
        QVERIFY(file);
        // The reference past the bound yields nothing and is left out of its
        // parent's list; the record keeps the levels within the bound.
        QCOMPARE(describeLinks(*file), (QStringList{QStringLiteral("1 Start"), QStringLiteral("-")}));
        QCOMPARE(file->actions().size(), LogFile::maxActionDepth + 1);
        int levels = 0;
        for (const RobotAction *a = file->actions().value(1).get(); a && !a->children().isEmpty(); a = a->children().at(0))
            ++levels;
        QCOMPARE(levels, LogFile::maxActionDepth - 1);
    }

    void nestingWithinTheBound()
    {
        QString message = QStringLiteral("starting action: 1: A ");
        for (int i = 2; i <= 50; ++i)
            message += QStringLiteral("[%1: A ").arg(i);
        message += QString(49, QLatin1Char(']'));
        auto file = loadMessages({message});
        QCOMPARE(describeLinks(*file), QStringList{QStringLiteral("1 Start")});
        QCOMPARE(file->actions().size(), 50);
        QCOMPARE(file->actions().value(49)->children().at(0)->id(), 50);
    }

    // Records that each list the previous action as their child build one long
    // chain; releasing the file must not recurse along it.
    void longChainsAreReleased()
    {
        QByteArray content;
        content += "0.5 : Info : A : starting action: 1: X\n";
        for (int i = 2; i <= 100000; ++i)
            content += QStringLiteral("%1.0 : Info : A : starting action: %1: X [%2:]\n").arg(i).arg(i - 1).toLatin1();
        QStringList errors;
        auto file = loadText(content, errors);
        QVERIFY(file);
        QCOMPARE(file->actions().size(), 100000);
        QCOMPARE(file->actions().value(100000)->children().at(0)->id(), 99999);
        file.reset();
    }
};

QTEST_GUILESS_MAIN(TestLogModel)
#include "tst_logmodel.moc"
