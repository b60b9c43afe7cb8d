#include "entrylist.h"
#include "logfile.h"
#include "logfollower.h"
#include "logreader.h"
#include "slotpool.h"
#include "testfiles.h"

#include <QtTest>

#include <cstring>
#include <thread>
#include <vector>

#include <sys/stat.h>

// How a file keeps its entries: side by side in blocks that never move, so
// that an entry shown keeps its address while the file grows, and the lines
// that continue a followed record reach it wherever it sits; and the pool
// of slots that rows and actions are made in.
class TestEntryStore : public QObject
{
    Q_OBJECT

private slots:
    void addressesStayWhileTheFileGrows_data();
    void addressesStayWhileTheFileGrows();
    void followedRecordContinuedAtABlockEdge_data();
    void followedRecordContinuedAtABlockEdge();
    void slotsAreTradedBetweenThreads_data();
    void slotsAreTradedBetweenThreads();

private:
    QTemporaryDir dir;
};

namespace {

constexpr int block = EntryList::blockSize;

// "time|subsystem|message" per entry, in order.
QStringList describe(const EntryList &entries)
{
    QStringList out;
    for (const LogFileEntry *entry : entries)
        out << QStringLiteral("%1|%2|%3").arg(entry->time()).arg(entry->subsystem(), entry->message());
    return out;
}

QByteArray recordLines(int first, int count)
{
    QByteArray out;
    for (int i = first; i < first + count; ++i)
        out += QByteArray::number(i) + ".0 : Info : arm : record " + QByteArray::number(i) + '\n';
    return out;
}

} // namespace

void TestEntryStore::addressesStayWhileTheFileGrows_data()
{
    QTest::addColumn<int>("step");
    QTest::newRow("one at a time") << 1;
    QTest::newRow("a few at a time") << 7;
    QTest::newRow("a block less one") << block - 1;
    QTest::newRow("a block") << block;
    QTest::newRow("a block and one") << block + 1;
}

void TestEntryStore::addressesStayWhileTheFileGrows()
{
    QFETCH(int, step);
    const int total = 3 * block + 5;
    LogFile file(QStringLiteral("grown.log"));
    std::vector<const LogFileEntry *> addresses;
    // What a viewer holds while the file is still read: a copy of the list
    // as it was, taken once the first block is full.
    EntryList early;
    while (int(addresses.size()) < total) {
        LogFile::Batch batch;
        for (int i = int(addresses.size()); i < std::min(total, int(addresses.size()) + step); ++i) {
            LogFileEntry entry(i, Info, QStringLiteral("arm"));
            entry.appendMessage(QStringLiteral("entry %1").arg(i));
            batch.emplace_back(std::move(entry), i + 1);
        }
        const int first = LogFile::Appender(file).append(batch);
        QCOMPARE(first, int(addresses.size()));
        for (int i = first; i < file.entries().size(); ++i)
            addresses.push_back(file.entries().at(i));
        if (early.isEmpty() && file.entries().size() >= block)
            early = file.entries().head(file.entries().size());
    }
    const EntryList &entries = file.entries();
    QCOMPARE(entries.size(), total);
    int number = 0;
    for (const LogFileEntry *entry : entries) {
        QCOMPARE(entry, addresses[size_t(number)]);
        QCOMPARE(entries[number], entry);
        QCOMPARE(entry->time(), double(number));
        QCOMPARE(entry->message(), QStringLiteral("entry %1").arg(number));
        ++number;
    }
    QCOMPARE(number, total);
    QCOMPARE(entries.last(), addresses.back());
    // The copy keeps its own length and the same entries.
    QVERIFY(early.size() >= block && early.size() < total);
    for (int i = 0; i < early.size(); ++i)
        QCOMPARE(early.at(i), addresses[size_t(i)]);
    for (const int count : {0, block - 1, block, block + 1, total, total + 9}) {
        const EntryList head = entries.head(count);
        QCOMPARE(head.size(), std::min(count, total));
        if (!head.isEmpty())
            QCOMPARE(head.last(), addresses[size_t(head.size() - 1)]);
    }
}

void TestEntryStore::followedRecordContinuedAtABlockEdge_data()
{
    QTest::addColumn<int>("loaded");
    QTest::addColumn<QByteArray>("appended");
    QTest::addColumn<QByteArray>("continuation");
    QTest::addColumn<bool>("pauses");
    const QByteArray held = "9000.0 : Info : arm : held back\n";
    const QByteArray more = "    arm :  and continued\n";
    // The record held back for its continuation lines is handed on, and
    // continued after that, as the last of a block or the first of one.
    QTest::newRow("handed on as the last of a block") << block - 1 << held << more << true;
    QTest::newRow("handed on as the first of a block") << block << held << more << true;
    QTest::newRow("kept while it was continued, first of a block") << block << held << more << false;
    // The last record read is continued where the load put it.
    QTest::newRow("loaded as the last of a block") << block << QByteArray() << more << false;
    QTest::newRow("loaded as the first of a block") << block + 1 << QByteArray() << more << false;
}

void TestEntryStore::followedRecordContinuedAtABlockEdge()
{
    QFETCH(int, loaded);
    QFETCH(QByteArray, appended);
    QFETCH(QByteArray, continuation);
    QFETCH(bool, pauses);
    const QByteArray start = recordLines(0, loaded);
    const QString path = writeTestFile(dir, QStringLiteral("%1.log").arg(QTest::currentDataTag()), start);
    QStringList errors;
    const auto file = LogFile::load(path, errors);
    QVERIFY(file);
    struct stat info;
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
    LogFollower follower(*file, path, start.size(), loaded + 1, info.st_dev, info.st_ino,
                         start.right(LogReader::tailBytes));
    int continuedTimes = 0;
    // Polls and adds what it gives, as a follow session does.
    const auto poll = [&] {
        LogFollower::Batch batch;
        ReloadReason reason = ReloadReason::Replaced;
        bool continued = false;
        const LogFollower::Poll result = follower.poll(1 << 20, batch, reason, &continued);
        QVERIFY(result != LogFollower::Poll::Reload);
        LogFile::Appender appender(*file);
        if (continued) {
            ++continuedTimes;
            appender.relinkLast();
        }
        appender.append(batch);
    };
    const auto write = [&](const QByteArray &bytes) {
        QFile out(path);
        QVERIFY(out.open(QIODevice::Append));
        QCOMPARE(out.write(bytes), qint64(bytes.size()));
    };
    const auto before = file->entries().head(file->entries().size());
    if (!appended.isEmpty()) {
        write(appended);
        poll();
        if (pauses)
            poll();
    }
    const LogFileEntry *last = file->entries().isEmpty() ? nullptr : file->entries().last();
    write(continuation);
    poll();
    poll();
    QCOMPARE(describe(file->entries()), describe(LogFile::load(path, errors)->entries()));
    // Continued in place: every entry is where it was.
    for (int i = 0; i < before.size(); ++i)
        QCOMPARE(file->entries().at(i), before.at(i));
    if (appended.isEmpty() || pauses) {
        QCOMPARE(continuedTimes, 1);
        QCOMPARE(file->entries().last(), last);
    }
    QVERIFY(file->entries().last()->message().endsWith(QLatin1String("and continued")));
}

void TestEntryStore::slotsAreTradedBetweenThreads_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("one") << 1;
    QTest::newRow("a batch") << SlotPool::batchSlots;
    QTest::newRow("many batches and some") << 10 * SlotPool::batchSlots + 3;
    QTest::newRow("more than a block") << SlotPool::blockSlots + 1;
}

void TestEntryStore::slotsAreTradedBetweenThreads()
{
    QFETCH(int, count);
    // A size no row or action has.
    constexpr size_t size = 40;
    SlotPool *pool = SlotPool::forSize(size);
    QVERIFY(pool);
    QCOMPARE(SlotPool::forSize(size), pool);
    QVERIFY(!SlotPool::forSize(3));
    std::vector<void *> handed;
    // Made on one thread, each filled to its last byte, and freed on
    // another, as the rows of a tab that closes are.
    std::thread making([&] {
        for (int i = 0; i < count; ++i) {
            void *slot = pool->allocate();
            std::memset(slot, i & 0xff, size);
            handed.push_back(slot);
        }
    });
    making.join();
    const qint64 made = pool->slotsMade();
    QVERIFY(made >= count);
    std::vector<void *> sorted = handed;
    std::sort(sorted.begin(), sorted.end());
    for (size_t i = 0; i < sorted.size(); ++i) {
        QCOMPARE(quintptr(sorted[i]) % alignof(void *), quintptr(0));
        if (i > 0)
            QVERIFY(static_cast<char *>(sorted[i]) - static_cast<char *>(sorted[i - 1]) >= std::ptrdiff_t(size));
    }
    bool intact = true;
    std::thread freeing([&] {
        for (int i = 0; i < count; ++i) {
            const auto *bytes = static_cast<const unsigned char *>(handed[size_t(i)]);
            intact = intact && bytes[0] == (i & 0xff) && bytes[size - 1] == (i & 0xff);
            pool->deallocate(handed[size_t(i)]);
        }
    });
    freeing.join();
    QVERIFY(intact);
    // The freed handed are made again here, none new.
    std::vector<void *> again;
    for (int i = 0; i < count; ++i)
        again.push_back(pool->allocate());
    QCOMPARE(pool->slotsMade(), made);
    for (void *slot : again)
        pool->deallocate(slot);
}

QTEST_GUILESS_MAIN(TestEntryStore)
#include "tst_entrystore.moc"
