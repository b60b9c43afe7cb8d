// Clock times without a window: negative times, rounding, the range of
// years, and the texts a user types.
#include "clocktime.h"

#include <QtTest>

#include <limits>

class TestClockTime : public QObject
{
    Q_OBJECT

private slots:
    void clockText_data()
    {
        QTest::addColumn<QDateTime>("origin");
        QTest::addColumn<double>("time");
        QTest::addColumn<QString>("text");
        const QDateTime midnight(QDate(2024, 5, 17), QTime(0, 0), Qt::UTC);
        QTest::newRow("a negative time goes back over midnight")
            << midnight << -0.25 << QStringLiteral("2024-05-16 23:59:59.750");
        QTest::newRow("a negative time below half a millisecond") << midnight << -0.0004
                                                                   << QStringLiteral("2024-05-17 00:00:00.000");
        QTest::newRow("a day and more back") << midnight << -90000.001 << QStringLiteral("2024-05-15 22:59:59.999");
        QTest::newRow("before 1970") << QDateTime(QDate(1969, 12, 31), QTime(23, 59, 59, 999), Qt::UTC) << 0.0
                                     << QStringLiteral("1969-12-31 23:59:59.999");
        QTest::newRow("the origin's zone is not applied")
            << QDateTime(QDate(2024, 3, 31), QTime(2, 30), Qt::OffsetFromUTC, 7200) << 0.0
            << QStringLiteral("2024-03-31 02:30:00.000");
        QTest::newRow("past the year 9999") << midnight << 1e12 << QString();
        QTest::newRow("not finite") << midnight << std::numeric_limits<double>::infinity() << QString();
        QTest::newRow("not a number") << midnight << std::numeric_limits<double>::quiet_NaN() << QString();
    }
    void clockText()
    {
        QFETCH(QDateTime, origin);
        QFETCH(double, time);
        QFETCH(QString, text);
        const std::optional<qint64> msecs = clocktime::originMsecs(origin);
        QVERIFY(msecs);
        QCOMPARE(clocktime::clockText(*msecs, time), text);
    }

    void typed_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("meant"); // on a tab whose time 0 is 2024-05-17 22:00:00
        QTest::newRow("hh:mm:ss after the origin") << "23:15:00" << true << "2024-05-17 23:15:00.000";
        QTest::newRow("hh:mm:ss before it is the next day") << "01:02:03.4" << true << "2024-05-18 01:02:03.400";
        QTest::newRow("the origin itself") << "22:00:00" << true << "2024-05-17 22:00:00.000";
        QTest::newRow("a full date") << "2023-01-02 03:04:05.067" << true << "2023-01-02 03:04:05.067";
        QTest::newRow("with a T") << "2023-01-02T03:04:05" << true << "2023-01-02 03:04:05.000";
        QTest::newRow("no such day") << "2023-02-30 00:00:00" << false << "";
        QTest::newRow("no such hour") << "24:00:00" << false << "";
        QTest::newRow("no seconds") << "12:30" << false << "";
        QTest::newRow("words") << "noon" << false << "";
    }
    void typed()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, meant);
        const clocktime::Typed typed = clocktime::parse(text);
        QCOMPARE(typed.valid, valid);
        if (valid) {
            const qint64 origin = *clocktime::originMsecs(QDateTime(QDate(2024, 5, 17), QTime(22, 0), Qt::UTC));
            QCOMPARE(clocktime::formatMsecs(clocktime::resolve(typed, origin)), meant);
        }
    }
};

int runClockTimeTests(int argc, char **argv)
{
    TestClockTime test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_clocktime.moc"
