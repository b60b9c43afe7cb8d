// Compressed logs: read through LogInput by path, by file descriptor and
// from a pipe-like device, in the window, damaged, and as a bomb.

#include "backgroundwork.h"
#include "localpath.h"
#include "logfile.h"
#include "logfileviewer.h"
#include "loginput.h"
#include "logloader.h"
#include "logreader.h"
#include "mirtlogfileanalyzer.h"
#include "testfiles.h"
#include "windowtestenvironment.h"

#include <KCompressionDevice>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QFileDialog>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStatusBar>
#include <QLabel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <sys/resource.h>

namespace {

// The log every case compresses: records of every kind, with continuation
// lines, so that a cut can fall inside a record; more than one bzip2 block.
const QByteArray &sampleLog()
{
    static const QByteArray log = generatedLog(30000);
    return log;
}

// `text` written through the library in `type`'s format.
QByteArray compress(const QByteArray &text, KCompressionDevice::CompressionType type)
{
    QBuffer *out = new QBuffer;
    out->open(QIODevice::WriteOnly);
    KCompressionDevice device(out, false, type);
    if (!device.open(QIODevice::WriteOnly) || device.write(text) != text.size())
        qFatal("cannot compress");
    device.close();
    const QByteArray data = out->data();
    delete out;
    return data;
}

// Each record as one line of text, for comparing files.
QStringList recordsOf(const LogFile &file)
{
    QStringList out;
    for (const LogFileEntry *entry : file.entries()) {
        out << QStringLiteral("%1|%2|%3|%4")
                   .arg(entry->time(), 0, 'f', 3)
                   .arg(int(entry->type()))
                   .arg(entry->subsystem(), entry->message());
    }
    return out;
}

// The numbers of the lines that begin records, in the reader's count
// (empty lines are not counted), followed by the number after the last line.
std::vector<qint64> recordLines(const QByteArray &text)
{
    std::vector<qint64> lines;
    qint64 number = 0;
    for (const QByteArray &line : text.split('\n')) {
        if (line.isEmpty())
            continue;
        ++number;
        if (line.at(0) != ' ')
            lines.push_back(number);
    }
    lines.push_back(number + 1);
    return lines;
}

// A device that reads like a pipe: sequential, with no size.
class PipeLike final : public QIODevice
{
public:
    explicit PipeLike(const QByteArray &data)
        : data(data)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *to, qint64 maxSize) override
    {
        // A little at a time, as a pipe gives it.
        const qint64 size = std::min<qint64>({maxSize, data.size() - at, 4096});
        memcpy(to, data.constData() + at, size_t(size));
        at += size;
        return size;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    const QByteArray data;
    qint64 at = 0;
};

QLabel *statusOf(QMainWindow &w) { return w.statusBar()->findChild<QLabel *>(); }

} // namespace

class TestCompressed final : public QObject
{
    Q_OBJECT

public:
    TestCompressed() { QVERIFY(dir.isValid()); }

private:
    QTemporaryDir dir;

    static void addFormats()
    {
        QTest::addColumn<KCompressionDevice::CompressionType>("type");
        QTest::addColumn<QString>("name");
        QTest::newRow("gzip") << KCompressionDevice::GZip << QStringLiteral("gzip");
        QTest::newRow("bzip2") << KCompressionDevice::BZip2 << QStringLiteral("bzip2");
        QTest::newRow("xz") << KCompressionDevice::Xz << QStringLiteral("xz");
        QTest::newRow("zstd") << KCompressionDevice::Zstd << QStringLiteral("zstd");
    }

    // A window with `path` open and read.
    static void openWindow(std::unique_ptr<MirtLogFileAnalyzer> &w, const QString &path)
    {
        w = std::make_unique<MirtLogFileAnalyzer>();
        w->openLogFile(path);
        WAIT_UNTIL_IDLE(*w);
    }

    static LogFileViewer *currentOf(MirtLogFileAnalyzer &w)
    {
        return qobject_cast<LogFileViewer *>(w.findChild<QTabWidget *>()->currentWidget());
    }

private slots:
    // Whatever the name, the records of compressed data are those of the
    // text, read by path, by the window's load and from a pipe.
    void sameRecords_data() { addFormats(); }

    void sameRecords()
    {
        QFETCH(KCompressionDevice::CompressionType, type);
        QFETCH(QString, name);
        const QByteArray packed = compress(sampleLog(), type);
        const QString plainPath = writeTestFile(dir, QStringLiteral("plain.log"), sampleLog());
        // Named as text: the first bytes tell.
        const QString packedPath = writeTestFile(dir, QStringLiteral("packed-%1.log").arg(name), packed);
        QStringList plainErrors;
        QStringList errors;
        const auto plain = LogFile::load(plainPath, plainErrors);
        const auto file = LogFile::load(packedPath, errors);
        QVERIFY(plain && file);
        QCOMPARE(errors, plainErrors);
        QCOMPARE(recordsOf(*file), recordsOf(*plain));
        QCOMPARE(file->actionList().size(), plain->actionList().size());
        QCOMPARE(compressionName(file->compression()), name);
        QCOMPARE(file->textSize(), qint64(sampleLog().size()));

        // From a device that cannot seek, as standard input is.
        QString error;
        auto input = LogInput::openDevice(std::make_unique<PipeLike>(packed), QStringLiteral("stdin"), error);
        QVERIFY2(input, qPrintable(error));
        QCOMPARE(compressionName(input->compression()), name);
        QCOMPARE(input->storedSize(), qint64(-1));
        QCOMPARE(input->device().readAll(), sampleLog());
        QCOMPARE(input->storedBytesRead(), qint64(packed.size()));
        QCOMPARE(input->textBytesRead(), qint64(sampleLog().size()));
        QVERIFY(!input->isDamaged());
        // Text from a pipe goes through as it is.
        auto text = LogInput::openDevice(std::make_unique<PipeLike>(sampleLog()), QStringLiteral("stdin"), error);
        QVERIFY2(text, qPrintable(error));
        QCOMPARE(text->compression(), LogCompression::None);
        QCOMPARE(text->device().readAll(), sampleLog());
        QCOMPARE(text->textBytesRead(), qint64(sampleLog().size()));

        // The background load: its progress goes by the compressed bytes.
        QObject owner;
        auto *work = new BackgroundWork(&owner);
        std::shared_ptr<LogFile> loaded;
        LogLoader::Client client;
        client.done = [&](std::shared_ptr<LogFile> done) { loaded = std::move(done); };
        QString failure;
        const auto loader = LogLoader::start(packedPath, openLogFileDescriptor(packedPath, failure), *work, client);
        QTRY_VERIFY_WITH_TIMEOUT(loaded != nullptr, 30000);
        QCOMPARE(recordsOf(*loaded), recordsOf(*plain));
        QCOMPARE(loader->bytesToRead(), qint64(packed.size()));
        QCOMPARE(loader->bytesRead(), qint64(packed.size()));
        QCOMPARE(loaded->textSize(), qint64(sampleLog().size()));

        // In the window.
        std::unique_ptr<MirtLogFileAnalyzer> w;
        openWindow(w, packedPath);
        LogFileViewer *viewer = currentOf(*w);
        QVERIFY(viewer && viewer->logFile());
        QCOMPARE(recordsOf(*viewer->logFile()), recordsOf(*plain));
        const QString tip = w->findChild<QTabWidget *>()->tabToolTip(0);
        QVERIFY2(tip.contains(name + QStringLiteral(" compressed, ")), qPrintable(tip));
    }

    // Concatenated gzip members are one text, as the format has it.
    void gzipMembers()
    {
        const QByteArray first = records({"one", "two"});
        const QByteArray second = records({"three"}).replace("1.0", "3.0");
        const QString path = writeTestFile(dir, QStringLiteral("members.log.gz"),
                                           compress(first, KCompressionDevice::GZip)
                                               + compress(second, KCompressionDevice::GZip));
        QStringList errors;
        const auto file = LogFile::load(path, errors);
        QVERIFY(file);
        QCOMPARE(errors, QStringList());
        QCOMPARE(file->entries().size(), 3);
        QCOMPARE(file->textSize(), qint64(first.size() + second.size()));
    }

    // Damaged or cut-short data: the records before the damage, and a
    // message that names the last line read.
    void damaged_data()
    {
        QTest::addColumn<KCompressionDevice::CompressionType>("type");
        QTest::addColumn<int>("cut"); // bytes left off the end
        QTest::addColumn<int>("changed"); // a byte changed here, from the end; 0: none
        QTest::newRow("gzip cut in half") << KCompressionDevice::GZip << -2 << 0;
        QTest::newRow("gzip without the size in its trailer") << KCompressionDevice::GZip << 4 << 0;
        QTest::newRow("gzip without its trailer") << KCompressionDevice::GZip << 8 << 0;
        QTest::newRow("gzip with a wrong checksum") << KCompressionDevice::GZip << 0 << 8;
        QTest::newRow("gzip changed in the middle") << KCompressionDevice::GZip << 0 << -2;
        QTest::newRow("gzip followed by other bytes") << KCompressionDevice::GZip << -1 << 0;
        QTest::newRow("bzip2 cut in half") << KCompressionDevice::BZip2 << -2 << 0;
        QTest::newRow("bzip2 changed in the middle") << KCompressionDevice::BZip2 << 0 << -2;
        QTest::newRow("xz cut in half") << KCompressionDevice::Xz << -2 << 0;
        QTest::newRow("xz without its stream footer") << KCompressionDevice::Xz << 12 << 0;
        QTest::newRow("zstd cut in half") << KCompressionDevice::Zstd << -2 << 0;
        QTest::newRow("zstd without its last bytes") << KCompressionDevice::Zstd << 3 << 0;
    }

    void damaged()
    {
        QFETCH(KCompressionDevice::CompressionType, type);
        QFETCH(int, cut);
        QFETCH(int, changed);
        QByteArray packed = compress(sampleLog(), type);
        const int size = packed.size();
        if (cut == -2)
            packed.truncate(size / 2);
        else if (cut == -1)
            packed += "not a second member";
        else
            packed.chop(cut);
        if (changed != 0) {
            const int at = changed == -2 ? size / 2 : size - changed;
            packed[at] = char(packed.at(at) ^ 0x55);
        }
        const QString path = writeTestFile(dir, QStringLiteral("damaged.log.z"), packed);
        QStringList plainErrors;
        const auto plain = LogFile::load(writeTestFile(dir, QStringLiteral("whole.log"), sampleLog()), plainErrors);
        const QStringList whole = recordsOf(*plain);
        const std::vector<qint64> starts = recordLines(sampleLog());

        const auto check = [&](const LogFile &file, const QStringList &messages) {
            const QStringList read = recordsOf(file);
            QVERIFY(read.size() <= whole.size());
            if (changed == -2 && type == KCompressionDevice::GZip) {
                // Deflate data has no checksum but the one at its end: what
                // comes after the change is text, though not the text
                // written, until the end tells. The start is the written.
                QVERIFY(read.size() > whole.size() / 4);
                QCOMPARE(read.mid(0, whole.size() / 4), whole.mid(0, whole.size() / 4));
                // However many lines could not be read, the message that
                // says why reading stopped is kept.
                QVERIFY(messages.last().startsWith(QLatin1String("damaged.log.z: compressed data is damaged after line ")));
                return;
            }
            QCOMPARE(messages.size(), 1);
            // Every record but the last whole; the last may miss continuation lines.
            const int intact = std::max(0, int(read.size()) - 1);
            QCOMPARE(read.mid(0, intact), whole.mid(0, intact));
            const QRegularExpression pattern(
                QStringLiteral("^damaged\\.log\\.z: compressed data is damaged after line (\\d+)$"));
            const QRegularExpressionMatch match = pattern.match(messages.first());
            QVERIFY2(match.hasMatch(), qPrintable(messages.first()));
            // The last line read belongs to the last record read.
            const qint64 last = match.captured(1).toLongLong();
            const size_t count = size_t(read.size());
            QVERIFY2(last >= (count ? starts[count - 1] : 0) && last < starts[count],
                     qPrintable(QStringLiteral("%1 records, line %2").arg(count).arg(last)));
        };
        QStringList errors;
        const auto file = LogFile::load(path, errors);
        QVERIFY(file);
        check(*file, errors);

        // The window shows the same, its message in the tab's tooltip.
        std::unique_ptr<MirtLogFileAnalyzer> w;
        openWindow(w, path);
        LogFileViewer *viewer = currentOf(*w);
        QVERIFY(viewer && viewer->logFile());
        QCOMPARE(recordsOf(*viewer->logFile()), recordsOf(*file));
        check(*viewer->logFile(), viewer->logFile()->messages());
        if (errors.size() == 1)
            QVERIFY(w->findChild<QTabWidget *>()->tabToolTip(0).contains(errors.first()));
    }

    // Compressed data is read whole, and never followed: not when asked,
    // and not when a followed file is rewritten compressed.
    void followRefused()
    {
        const QString path = writeTestFile(dir, QStringLiteral("robot.log.gz"),
                                           compress(sampleLog(), KCompressionDevice::GZip));
        std::unique_ptr<MirtLogFileAnalyzer> w;
        openWindow(w, path);
        auto *follow = w->findChild<QAction *>(QStringLiteral("fileFollow"));
        QVERIFY(follow && follow->isEnabled());
        follow->trigger();
        QVERIFY(!follow->isChecked());
        QVERIFY(!currentOf(*w)->isFollowing());
        QCOMPARE(statusOf(*w)->text(), QStringLiteral("robot.log.gz is compressed: it cannot be followed"));

        const QString grown = writeTestFile(dir, QStringLiteral("grown.log"), sampleLog());
        std::unique_ptr<MirtLogFileAnalyzer> followed;
        openWindow(followed, grown);
        followed->findChild<QAction *>(QStringLiteral("fileFollow"))->trigger();
        QVERIFY(currentOf(*followed)->isFollowing());
        writeTestFile(dir, QStringLiteral("grown.log"), compress(records({"a", "b"}), KCompressionDevice::Xz));
        QTRY_COMPARE_WITH_TIMEOUT(statusOf(*followed)->text(),
                                  QStringLiteral("grown.log is compressed: it cannot be followed"), 20000);
        WAIT_UNTIL_IDLE(*followed);
        QCOMPARE(currentOf(*followed)->logFile()->entries().size(), 2);
        QVERIFY(!currentOf(*followed)->isFollowing());
        QVERIFY(!followed->findChild<QAction *>(QStringLiteral("fileFollow"))->isChecked());
    }

    // A merged tab reads its compressed files like its plain ones, and is
    // not followed either.
    void mergedTab()
    {
        const QString packed = writeTestFile(dir, QStringLiteral("planner.log.bz2"),
                                             compress(records({"one", "three"}), KCompressionDevice::BZip2));
        const QString plain = writeTestFile(dir, QStringLiteral("drive.log"),
                                            records({"two"}).replace("1.0", "1.5"));
        MirtLogFileAnalyzer w;
        w.openMerged({packed, plain});
        WAIT_UNTIL_IDLE(w);
        LogFileViewer *viewer = currentOf(w);
        QVERIFY(viewer && viewer->isMergedView() && viewer->logFile());
        QStringList messages;
        for (const LogFileEntry *entry : viewer->logFile()->entries())
            messages << entry->message();
        QCOMPARE(messages, (QStringList{"one", "two", "three"}));
        w.findChild<QAction *>(QStringLiteral("fileFollow"))->trigger();
        QVERIFY(!viewer->isFollowing());
        QCOMPARE(statusOf(w)->text(), QStringLiteral("planner.log.bz2 is compressed: it cannot be followed"));
    }

    // Export writes the records as text, whatever the file was stored as.
    void exportWritesText()
    {
        const QString path = writeTestFile(dir, QStringLiteral("export.log.zst"),
                                           compress(sampleLog(), KCompressionDevice::Zstd));
        std::unique_ptr<MirtLogFileAnalyzer> w;
        openWindow(w, path);
        const QString target = dir.filePath(QStringLiteral("exported.log"));
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->clear();
            QTest::keyClicks(name, target);
            QTest::keyClick(name, Qt::Key_Return);
        });
        w->findChild<QAction *>(QStringLiteral("fileExport"))->trigger();
        WAIT_UNTIL_IDLE(*w);
        QFile exported(target);
        QVERIFY(exported.open(QIODevice::ReadOnly));
        QCOMPARE(compressionOfHead(exported.peek(8)), LogCompression::None);
        QStringList errors;
        const auto file = LogFile::load(target, errors);
        QVERIFY(file);
        QCOMPARE(file->compression(), LogCompression::None);
        QCOMPARE(recordsOf(*file), recordsOf(*currentOf(*w)->logFile()));
    }

    // A gibibyte of zeros, a few hundred bytes compressed, is one line: the
    // reader keeps its start only, and says so.
    void bomb()
    {
        const QString path = dir.filePath(QStringLiteral("zeros.log.bz2"));
        {
            KCompressionDevice out(path, KCompressionDevice::BZip2);
            QVERIFY(out.open(QIODevice::WriteOnly));
            const QByteArray zeros(4 * 1024 * 1024, '\0');
            for (int i = 0; i < 256; ++i)
                QCOMPARE(out.write(zeros), qint64(zeros.size()));
        }
        QVERIFY(QFileInfo(path).size() < 64 * 1024);
        QStringList errors;
        const auto file = LogFile::load(path, errors);
        QVERIFY(file);
        QCOMPARE(file->textSize(), qint64(1) << 30);
        QCOMPARE(file->entries().size(), 0);
        QVERIFY2(!errors.isEmpty(), "no message");
        QCOMPARE(errors.first(), QStringLiteral("line 1 is longer than %1 characters: only its start is read")
                                     .arg(LogReader::defaultMaxLineLength));
        // The line's start, two bytes a character, and the blocks read: far
        // less than the data. A sanitizer's own bookkeeping (freed memory it
        // holds back, shadow memory) makes the peak say nothing of ours.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        return;
#endif
        struct rusage usage;
        QCOMPARE(getrusage(RUSAGE_SELF, &usage), 0);
        QVERIFY2(usage.ru_maxrss < 512 * 1024, qPrintable(QString::number(usage.ru_maxrss)));
    }
};

int main(int argc, char *argv[])
{
    WindowTestEnvironment environment;
    QApplication app(argc, argv);
    TestCompressed test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_compressed.moc"
