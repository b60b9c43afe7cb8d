#include "logfile.h"
#include "logreader.h"
#include "messagestore.h"

#include <QtTest>

#include <memory>

// How a record keeps its message: narrow while every character fits in a
// byte, wide from the first one that does not, in its file's store or in a
// block of its own, and the same text whichever way it was appended.
class TestEntryText : public QObject
{
    Q_OBJECT

private slots:
    void appendedPieces_data();
    void appendedPieces();
    void readInPieces_data();
    void readInPieces();
};

namespace {

enum class Storage { Own, Store, StoreInterleaved, StoreThenOwn };

} // namespace

Q_DECLARE_METATYPE(Storage)

void TestEntryText::appendedPieces_data()
{
    QTest::addColumn<QStringList>("pieces");
    QTest::addColumn<Storage>("storage");
    const QList<QPair<const char *, QStringList>> texts = {
        {"narrow", {QStringLiteral("moving"), QStringLiteral(" forward")}},
        {"Latin-1 beyond ASCII", {QStringLiteral("caf\u00e9 \u00ff"), QStringLiteral("\u00e0")}},
        {"widened by a later piece", {QStringLiteral("caf\u00e9 "), QStringLiteral("\u4e2d\u6587"), QStringLiteral("x")}},
        {"wide from the start", {QStringLiteral("\u4e2d"), QStringLiteral("caf\u00e9")}},
        {"surrogate pair", {QStringLiteral("a"), QString::fromUcs4(U"\U0001F600"), QStringLiteral("b")}},
        {"empty pieces", {QString(), QStringLiteral("a"), QString()}},
        {"longer than a store block", {QString(70000, QLatin1Char('x')), QStringLiteral("y"), QString(40000, QChar(0x4e2d))}},
    };
    const QList<QPair<const char *, Storage>> storages = {
        {"own block", Storage::Own},
        {"store", Storage::Store},
        {"store, other text between", Storage::StoreInterleaved},
        {"store, then own block", Storage::StoreThenOwn},
    };
    for (const auto &text : texts) {
        for (const auto &storage : storages)
            QTest::addRow("%s, %s", text.first, storage.first) << text.second << storage.second;
    }
}

void TestEntryText::appendedPieces()
{
    QFETCH(QStringList, pieces);
    QFETCH(Storage, storage);
    MessageStore store;
    LogFileEntry entry(1.5, Warning, QStringLiteral("Drive"));
    // Another record's message, written where this one could have grown.
    LogFileEntry other(2.0, Info, QStringLiteral("Arm"));
    QString expected;
    for (int i = 0; i < pieces.size(); ++i) {
        MessageStore *into = storage == Storage::Own || (storage == Storage::StoreThenOwn && i > 0) ? nullptr : &store;
        entry.appendMessage(pieces.at(i), into);
        if (storage == Storage::StoreInterleaved)
            other.appendMessage(QStringLiteral("zz"), &store);
        expected += pieces.at(i);
        QCOMPARE(entry.message(), expected);
        QCOMPARE(entry.messageLength(), expected.size());
    }
    QVERIFY(!entry.message().isNull());
    QCOMPARE(entry.time(), 1.5);
    QCOMPARE(entry.type(), Warning);
    QCOMPARE(entry.subsystem(), QStringLiteral("Drive"));
    if (storage == Storage::StoreInterleaved)
        QCOMPARE(other.message(), QString(QStringLiteral("zz")).repeated(pieces.size()));
}

void TestEntryText::readInPieces_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("continuations joined")
        << QByteArray("1.0 : Info : drive : Moving\n   drive : forward\n2.0 : Error : arm : stuck\n")
        << QStringList{QStringLiteral("Movingforward"), QStringLiteral("stuck")};
    QTest::newRow("a wide continuation of a narrow record")
        << QByteArray("1.0 : Info : drive : caf\xc3\xa9\n   drive : \xe4\xb8\xad\n2.0 : Info : drive : x\n")
        << QStringList{QStringLiteral("caf\u00e9\u4e2d"), QStringLiteral("x")};
    QTest::newRow("records between continued ones")
        << QByteArray("1.0 : Info : a : one\n   a : two\n2.0 : Info : b : three\n3.0 : Info : c : four\n"
                      "   c : five\n   c : \xc3\xbf\n")
        << QStringList{QStringLiteral("onetwo"), QStringLiteral("three"), QStringLiteral("fourfive\u00ff")};
    QTest::newRow("empty message, then continued")
        << QByteArray("1.0 : Info : a : \n   a : late\n")
        << QStringList{QStringLiteral("late")};
}

void TestEntryText::readInPieces()
{
    QFETCH(QByteArray, data);
    QFETCH(QStringList, messages);
    // Whole, and byte by byte with every entry handed on as soon as it is
    // finished and appended while later lines still come, as a load does.
    for (const int step : {data.size(), 1, 7}) {
        LogFile file(QStringLiteral("memory.log"));
        LogFile::Batch handed;
        {
            LogReader reader(file);
            reader.setEntrySink([&handed](LogFileEntry &&entry, EntryLines line) {
                handed.emplace_back(std::move(entry), line);
            });
            for (int done = 0; done < data.size(); done += step) {
                reader.addData(data.constData() + done, std::min(step, data.size() - done));
                LogFile::Appender(file).append(handed);
            }
            reader.finish();
            LogFile::Appender(file).append(handed);
        }
        QStringList read;
        for (const auto &entry : file.entries())
            read << entry->message();
        QCOMPARE(read, messages);
    }
}

QTEST_GUILESS_MAIN(TestEntryText)
#include "tst_entrytext.moc"
