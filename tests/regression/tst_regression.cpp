// Replays, through the fuzz targets' own code, every input that a fuzzer ever
// found troublesome (tests/regression/inputs/<target>/) together with the
// fuzzers' starting corpora and the sample logs.
#include "fuzzentries.h"
#include "fuzzsession.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestRegression : public QObject
{
    Q_OBJECT

private:
    static void addInputs(const QStringList &folders)
    {
        QTest::addColumn<QString>("path");
        for (const QString &folder : folders) {
            const QDir dir(QStringLiteral(MIRT_SOURCE_DIR "/") + folder);
            for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
                QTest::newRow(qPrintable(folder + QLatin1Char('/') + name)) << dir.filePath(name);
        }
    }

    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(path));
        return file.readAll();
    }

private slots:
    void reader_data() { addInputs({QStringLiteral("tests/regression/inputs/reader"), QStringLiteral("samples")}); }
    void reader()
    {
        QFETCH(QString, path);
        fuzzentries::readLogBytes(contents(path));
    }

    void actions_data()
    {
        addInputs({QStringLiteral("tests/regression/inputs/actions"), QStringLiteral("fuzz/corpus/actions")});
    }
    void actions()
    {
        QFETCH(QString, path);
        fuzzentries::linkActionMessages(contents(path));
    }

    void scanner_data()
    {
        addInputs({QStringLiteral("tests/regression/inputs/scanner"), QStringLiteral("tests/regression/inputs/reader"),
                   QStringLiteral("samples")});
    }
    void scanner()
    {
        QFETCH(QString, path);
        fuzzentries::compareScanners(contents(path));
    }

    void filter_data()
    {
        addInputs({QStringLiteral("tests/regression/inputs/filter"), QStringLiteral("fuzz/corpus/filter")});
    }
    void filter()
    {
        QFETCH(QString, path);
        fuzzentries::runFilterText(contents(path));
    }

    void session_data()
    {
        addInputs({QStringLiteral("tests/regression/inputs/session"), QStringLiteral("fuzz/corpus/session")});
    }
    void session()
    {
        QFETCH(QString, path);
        fuzzentries::readSessionJson(contents(path));
    }
};

QTEST_MAIN(TestRegression)
#include "tst_regression.moc"
