#include "fakes.h"
#include "ticktimer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

class TestTickTimer : public QObject
{
    Q_OBJECT

private slots:
    // An aligned 1000 ms timer aims just after the next turn of the second,
    // wherever in the second it was armed.
    void alignedDelayAimsJustAfterTheTurn_data()
    {
        QTest::addColumn<int>("msecOfDay");
        QTest::addColumn<int>("delay");
        QTest::newRow("on the aim") << 7 * 3600000 + 2 << 1000;
        QTest::newRow("just after the turn") << 1 << 1001;
        QTest::newRow("mid-second") << 45500 << 502;
        QTest::newRow("just before the turn") << 999 << 3;
        QTest::newRow("late by most of a second") << 86399998 << 4;
    }
    void alignedDelayAimsJustAfterTheTurn()
    {
        QFETCH(int, msecOfDay);
        QFETCH(int, delay);
        QCOMPARE(TickTimer::delayToAlignedTick(msecOfDay, 1000), delay);
        const int landing = (msecOfDay + delay) % 1000;
        QCOMPARE(landing, TickTimer::kAfterTurnMs);
    }

    void intervalZeroOrDisabledGivesNoTicks()
    {
        FakeClock clock;
        TickTimer timer(clock);
        QSignalSpy ticks(&timer, &TickTimer::timeout);
        QVERIFY(!ticks.wait(150)); // interval 0: no ticks
        timer.setInterval(20);
        timer.setEnabled(false);
        QVERIFY(!ticks.wait(100));
        timer.setEnabled(true);
        QVERIFY(ticks.wait(500));
    }

    void aPlainTimerRepeats()
    {
        FakeClock clock;
        TickTimer timer(clock);
        QSignalSpy ticks(&timer, &TickTimer::timeout);
        timer.setInterval(10);
        QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 3, 2000);
    }

    // Re-arming from the clock on every tick: the clock's phase decides when
    // the next tick comes, whatever the interval was set to in between.
    void alignedTimerFollowsTheClock()
    {
        FakeClock clock(QDateTime(QDate(2026, 5, 7), QTime(7, 30, 0, 990)));
        TickTimer timer(clock);
        timer.setAlignedToClock(true);
        QSignalSpy ticks(&timer, &TickTimer::timeout);
        QElapsedTimer elapsed;
        elapsed.start();
        timer.setInterval(1000);
        QVERIFY(ticks.wait(2000));
        QVERIFY2(elapsed.elapsed() < 500, "armed 10 ms before the turn, it must fire shortly after it");
    }
};

QTEST_GUILESS_MAIN(TestTickTimer)
#include "tst_ticktimer.moc"
