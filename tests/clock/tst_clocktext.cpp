#include "clocktext.h"

#include <QTest>

class TestClockText : public QObject
{
    Q_OBJECT

private slots:
    void texts_data()
    {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("hoursMinutes");
        QTest::addColumn<QString>("seconds");
        QTest::newRow("after midnight") << QTime(0, 5, 0) << "0:05" << ":00";
        QTest::newRow("midnight") << QTime(0, 0, 9) << "0:00" << ":09";
        QTest::newRow("morning") << QTime(7, 30, 1) << "7:30" << ":01";
        QTest::newRow("evening") << QTime(17, 30, 10) << "17:30" << ":10";
        QTest::newRow("last second") << QTime(23, 59, 59, 999) << "23:59" << ":59";
    }
    void texts()
    {
        QFETCH(QTime, time);
        QFETCH(QString, hoursMinutes);
        QFETCH(QString, seconds);
        QCOMPARE(timeText(time), hoursMinutes);
        QCOMPARE(secondsText(time), seconds);
    }

    void everySecondHasTwoDigits()
    {
        for (int s = 0; s < 60; ++s)
            QCOMPARE(secondsText(QTime(12, 0, s)), QStringLiteral(":%1").arg(s, 2, 10, QLatin1Char('0')));
    }

    void onlyTheExactTextMatches_data()
    {
        QTest::addColumn<QString>("alarm");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("fires");
        QTest::newRow("exact") << "7:30" << "7:30" << true;
        QTest::newRow("leading zero") << "07:30" << "7:30" << false;
        QTest::newRow("blank before") << " 7:30" << "7:30" << false;
        QTest::newRow("blank after") << "7:30 " << "7:30" << false;
        QTest::newRow("dot") << "7.30" << "7:30" << false;
        QTest::newRow("pm") << "7:30 pm" << "7:30" << false;
        QTest::newRow("evening in the morning") << "19:30" << "7:30" << false;
        QTest::newRow("evening") << "19:30" << "19:30" << true;
        QTest::newRow("midnight") << "0:00" << "0:00" << true;
        QTest::newRow("00:00") << "00:00" << "0:00" << false;
        QTest::newRow("24:00") << "24:00" << "0:00" << false;
        QTest::newRow("empty") << "" << "0:00" << false;
        QTest::newRow("passed marker") << "7:30 Has Passed" << "7:30" << false;
    }
    void onlyTheExactTextMatches()
    {
        QFETCH(QString, alarm);
        QFETCH(QString, shown);
        QFETCH(bool, fires);
        QCOMPARE(alarmMatches(true, alarm, shown), fires);
        QVERIFY(!alarmMatches(false, alarm, shown)); // never unless armed
    }
};

QTEST_GUILESS_MAIN(TestClockText)
#include "tst_clocktext.moc"
