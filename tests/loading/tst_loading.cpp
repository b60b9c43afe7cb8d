// The data layer's work off the GUI thread: loading through the two-thread
// pipeline, following a growing file, the access types that guard a file,
// and the helper that starts background work.

#include "backgroundwork.h"
#include "followsession.h"
#include "logfile.h"
#include "logfileentry.h"
#include "logloader.h"
#include "robotaction.h"
#include "testfiles.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include <thread>

namespace {

// "time|type|subsystem|message|action activity" per entry.
QStringList describe(const LogFile &file)
{
    QStringList out;
    for (const auto &entry : file.entries()) {
        const QString link = entry->action() ? QStringLiteral("%1 %2").arg(entry->action()->id()).arg(entry->activity())
                                             : QStringLiteral("-");
        out << QStringLiteral("%1|%2|%3|%4|%5")
                   .arg(entry->time())
                   .arg(entry->type())
                   .arg(entry->subsystem(), entry->message(), link);
    }
    return out;
}

int openForReading(const QString &path)
{
    return ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
}

// A log whose lines the reader and the linker both complain about, in an
// order that only comes out right when linking waits for the reader.
QByteArray troubledLog(int records)
{
    QByteArray log = generatedLog(records);
    log.insert(0, "not a record line\n");
    log += "9999.0 : Info : arm : starting action: 99999999999: Overflow\n";
    log += "another bad line\n";
    log += "    nobody : continues this\n";
    return log;
}

} // namespace

class TestLoading final : public QObject
{
    Q_OBJECT

private slots:
    // The two-thread load gives what a load on one thread gives: the same
    // entries, links and messages, in the same order, whatever the size.
    void loaderMatchesAPlainLoad_data()
    {
        QTest::addColumn<int>("records");
        QTest::newRow("empty") << 0;
        QTest::newRow("one batch") << 300;
        QTest::newRow("many batches") << 60000;
    }

    void loaderMatchesAPlainLoad()
    {
        QFETCH(int, records);
        QTemporaryDir dir;
        const QString path = writeTestFile(dir, QStringLiteral("robot.log"), troubledLog(records));
        QStringList errors;
        const std::shared_ptr<LogFile> plain = LogFile::load(path, errors);
        QVERIFY(plain);

        QObject owner;
        auto *work = new BackgroundWork(&owner);
        std::shared_ptr<LogFile> loaded;
        int linkedCalls = 0;
        int linkedEntries = 0;
        LogLoader::Client client;
        client.linked = [&](const LogLoader &, LogFile::Appender &file, int first, int end) {
            ++linkedCalls;
            QCOMPARE(first, linkedEntries);
            QCOMPARE(end, file.count());
            linkedEntries = end;
        };
        client.done = [&](std::shared_ptr<LogFile> file) { loaded = std::move(file); };
        const auto loader = LogLoader::start(path, openForReading(path), *work, client);
        QTRY_VERIFY_WITH_TIMEOUT(loaded != nullptr, 30000);
        QCOMPARE(describe(*loaded), describe(*plain));
        QCOMPARE(loaded->messages(), plain->messages());
        QCOMPARE(loaded->problemCount(), plain->problemCount());
        QCOMPARE(linkedEntries, plain->entries().size());
        QVERIFY(linkedCalls >= 1);
        QCOMPARE(loader->source().bytes, QFileInfo(path).size());
        QVERIFY(loader->isRead());
    }

    // Cancelled work hands nothing over, and neither does work whose owner
    // is gone; work running on several threads finishes once.
    void backgroundWorkDelivers()
    {
        auto owner = std::make_unique<QObject>();
        auto *work = new BackgroundWork(owner.get());
        std::atomic<bool> release{false};
        int delivered = 0;
        const auto blocked = [&release](const CancelToken &) {
            while (!release.load())
                std::this_thread::yield();
            return 1;
        };
        const CancelToken cancelled = work->run(blocked, [&](int) { ++delivered; });
        cancelled.cancel();
        std::atomic<int> ran{0};
        std::vector<int> result;
        work->runParallel(
            4, [&ran](const CancelToken &) { ++ran; }, [&ran](const CancelToken &) { return std::vector<int>{ran.load()}; },
            [&](std::vector<int> &&value) {
                result = std::move(value);
                ++delivered;
            });
        release.store(true);
        QTRY_COMPARE(delivered, 1);
        QCOMPARE(result, std::vector<int>{4});
        QTRY_VERIFY(cancelled.isFinished());

        // Gone before its work ends: the result reaches nobody.
        release.store(false);
        work->run(blocked, [&](int) { ++delivered; });
        owner.reset();
        release.store(true);
        QTest::qWait(50);
        QCoreApplication::processEvents();
        QCOMPARE(delivered, 1);
    }

    // While work on another thread reads a file, nothing is appended to it;
    // once it is done, the appender gets its turn.
    void readAccessHoldsAppendsBack()
    {
        QTemporaryDir dir;
        QStringList errors;
        const auto file = LogFile::load(writeTestFile(dir, QStringLiteral("a.log"), generatedLog(50)), errors);
        {
            const LogFile::ReadAccess reading(*file);
            bool appended = true;
            std::thread other([&] { appended = LogFile::Appender(*file, std::try_to_lock).ownsLock(); });
            other.join();
            QVERIFY(!appended);
        }
        LogFile::Appender appender(*file, std::try_to_lock);
        QVERIFY(appender.ownsLock());
        LogFile::Batch batch;
        LogFileEntry entry(99.0, Info, QStringLiteral("arm"));
        entry.appendMessage(QStringLiteral("completing action: 1:"));
        batch.emplace_back(std::move(entry), 51);
        QCOMPARE(appender.append(batch), 50);
        QVERIFY(batch.empty());
        // Linked as it came in: the action exists already.
        const LogFileEntry &added = *file->entries().at(50);
        QVERIFY(added.hasAction());
        QCOMPARE(added.action()->id(), 1);
    }

    // What a follow session says when the file cannot be followed on, and
    // the entries it adds when it can.
    void followSessionReasons_data()
    {
        QTest::addColumn<QByteArray>("now");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<int>("reason"); // -1: none, the entries were added
        const QByteArray start = "1.0 : Info : A : first\n2.0 : Info : A : second\n";
        QTest::newRow("grown") << start + "3.0 : Info : A : third\n" << false << -1;
        QTest::newRow("cut shorter") << QByteArray("1.0 : Info : A : first\n") << false << int(ReloadReason::Shorter);
        QTest::newRow("written anew") << QByteArray("7.0 : Info : B : x\n8.0 : Info : B : y\n9.0 : Info : B : z\n")
                                      << false << int(ReloadReason::Rewritten);
        QTest::newRow("replaced") << start + "3.0 : Info : A : third\n" << true << int(ReloadReason::Replaced);
    }

    void followSessionReasons()
    {
        QFETCH(QByteArray, now);
        QFETCH(bool, replace);
        QFETCH(int, reason);
        QTemporaryDir dir;
        const QByteArray start = "1.0 : Info : A : first\n2.0 : Info : A : second\n";
        const QString path = writeTestFile(dir, QStringLiteral("followed.log"), start);
        QObject owner;
        auto *work = new BackgroundWork(&owner);
        std::shared_ptr<LogFile> file;
        std::shared_ptr<LogLoader> loader;
        LogLoader::Client client;
        client.done = [&](std::shared_ptr<LogFile> loaded) { file = std::move(loaded); };
        loader = LogLoader::start(path, openForReading(path), *work, client);
        QTRY_VERIFY(file != nullptr);

        FollowSession session(file, loader->source());
        QSignalSpy added(&session, &FollowSession::entriesAdded);
        QSignalSpy reload(&session, &FollowSession::reloadNeeded);
        session.setActive(true);
        if (replace) {
            // Made beside it and moved over it, so that it cannot get the
            // old file's inode back.
            const QString fresh = writeTestFile(dir, QStringLiteral("fresh.log"), now);
            QCOMPARE(::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()), 0);
        } else {
            QFile out(path);
            QVERIFY(out.open(QIODevice::ReadWrite | QIODevice::Truncate));
            out.write(now);
        }
        if (reason < 0) {
            QTRY_COMPARE(file->entries().size(), 3);
            QCOMPARE(added.first().at(0).toInt(), 2);
            QCOMPARE(added.first().at(1).toInt(), 3);
            QVERIFY(session.isActive());
        } else {
            QTRY_COMPARE(reload.size(), 1);
            QCOMPARE(int(reload.first().at(0).value<ReloadReason>()), reason);
            QVERIFY(!session.isActive());
            QCOMPARE(file->entries().size(), 2);
        }
    }

    // Each record knows the line of the file its record line is, empty
    // lines and continuation lines counted, whichever way it was read: at
    // once, by the two-thread load, or followed as a writer adds lines. The
    // reader's messages keep numbering the non-empty lines.
    void recordsKnowTheirLines_data()
    {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("added");
        QTest::addColumn<QList<qint64>>("lines");
        QTest::newRow("plain") << QByteArray("1.0 : Info : A : a\n2.0 : Info : A : b\n")
                               << QByteArray("3.0 : Info : A : c\n") << QList<qint64>{1, 2, 3};
        QTest::newRow("empty lines and continuations")
            << QByteArray("\n1.0 : Info : A : a\n   A : more\n\r\n\n2.0 : Info : A : b\n")
            << QByteArray("\n3.0 : Info : A : c\n  A : more\n4.0 : Info : A : d\n") << QList<qint64>{2, 6, 8, 10};
        QTest::newRow("an unreadable line") << QByteArray("1.0 : Info : A : a\nnot a record\n\n2.0 : Info : A : b\n")
                                            << QByteArray() << QList<qint64>{1, 4};
    }

    void recordsKnowTheirLines()
    {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, added);
        QFETCH(QList<qint64>, lines);
        QTemporaryDir dir;
        const QString path = writeTestFile(dir, QStringLiteral("lines.log"), first);
        QObject owner;
        auto *work = new BackgroundWork(&owner);
        std::shared_ptr<LogFile> file;
        LogLoader::Client client;
        client.done = [&](std::shared_ptr<LogFile> loaded) { file = std::move(loaded); };
        const auto loader = LogLoader::start(path, openForReading(path), *work, client);
        QTRY_VERIFY(file != nullptr);
        FollowSession session(file, loader->source());
        session.setActive(true);
        {
            QFile out(path);
            QVERIFY(out.open(QIODevice::Append));
            out.write(added);
        }
        QTRY_COMPARE(file->entries().size(), lines.size());
        QList<qint64> found;
        for (int entry = 0; entry < file->entries().size(); ++entry)
            found << file->lineOf(entry);
        QCOMPARE(found, lines);
        // Read at once, the whole file gives the same.
        QStringList errors;
        const auto whole = LogFile::load(path, errors);
        for (int entry = 0; entry < whole->entries().size(); ++entry)
            QCOMPARE(whole->lineOf(entry), lines.at(entry));
        if (QTest::currentDataTag() == QLatin1String("an unreadable line"))
            QVERIFY2(errors.join(QLatin1Char(' ')).contains(QStringLiteral("line 2")), qPrintable(errors.join(' ')));
    }
};

QTEST_GUILESS_MAIN(TestLoading)
#include "tst_loading.moc"
