#include "clocktext.h"
#include "fakes.h"
#include "frmclock.h"

#include <QSignalSpy>

using namespace Qt::StringLiterals;

// The clock tick, its timer, the alarm and its buttons, through the real main
// window with a clock the test sets.
class TestClock : public QObject
{
    Q_OBJECT
    std::unique_ptr<Program> b;

private slots:
    void init() {
        b = std::make_unique<Program>();
        b->start();
    }
    void cleanup() { b.reset(); }

    // Each tick shows the time in both windows. Armed at `now`, the alarm fires
    // on its exact text at that tick, and the wake comes a minute before the
    // display shows the alarm (none: the display never shows it).
    void onlyTheExactTextFires_data() {
        QTest::addColumn<QString>("alarm");
        QTest::addColumn<QTime>("now");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("fires");
        QTest::addColumn<QDateTime>("wake");
        const QDate d(2026, 5, 7);
        const QDateTime tomorrow(d.addDays(1), QTime(7, 29));
        QTest::newRow("exact") << "7:30" << QTime(7, 30, 0) << "7:30:00" << true << tomorrow;
        QTest::newRow("late in the minute") << "7:30" << QTime(7, 30, 59) << "7:30:59" << true << tomorrow;
        QTest::newRow("a minute late") << "7:30" << QTime(7, 31, 0) << "7:31:00" << false << tomorrow;
        QTest::newRow("the minute before") << "7:30" << QTime(7, 29, 30) << "7:29:30" << false
                                           << QDateTime(d, QTime(7, 30));
        QTest::newRow("evening in the morning") << "19:30" << QTime(17, 3, 10) << "17:03:10" << false
                                                << QDateTime(d, QTime(19, 29));
        QTest::newRow("midnight") << "0:00" << QTime(0, 0) << "0:00:00" << true << QDateTime(d, QTime(23, 59));
        QTest::newRow("leading zero") << "07:30" << QTime(7, 30) << "7:30:00" << false << QDateTime();
        QTest::newRow("empty") << "" << QTime(7, 20) << "7:20:00" << false << QDateTime();
        QTest::newRow("passed marker") << "7:30 Has Passed" << QTime(7, 20) << "7:20:00" << false << QDateTime();
    }
    void onlyTheExactTextFires() {
        QFETCH(QString, alarm);
        QFETCH(QTime, now);
        QFETCH(QString, shown);
        QFETCH(bool, fires);
        QFETCH(QDateTime, wake);
        b->ui().TxtTime->setText(alarm);
        QVERIFY(!b->w->frmclockLoaded());
        b->tickAt(now); // not armed: never
        QVERIFY(b->p.player.started.isEmpty());
        QCOMPARE(b->timer("Timer1")->interval(), 1000);
        QCOMPARE(b->ui().txttimetot->text() + b->ui().txttimetot2->text(), shown);
        FrmClock &view = b->w->frmclock(); // loaded by the tick, hidden
        QVERIFY(!view.isVisible());
        QCOMPARE(view.txttimetot()->text() + view.txttimetot2()->text(), shown);
        b->arm(alarm);
        QCOMPARE(b->p.wake.set, wake);
        b->tickAt(now);
        QCOMPARE(b->p.player.started.size(), fires ? 1 : 0);
        QCOMPARE(b->ui().TxtTime->text(), fires ? alarm + u" Has Passed"_s : alarm);
    }

    // From Set Alarm until Stop, or until the alarm's sound has ended, the
    // desktop is asked to keep the machine awake and to wake it a minute
    // before the alarm. The alarm fires once at its minute, whatever comes
    // after, until Stop; the program's end leaves nothing behind.
    void theAlarmFiresOnceAndTheMachineStaysAwakeForIt() {
        const QDate today = b->p.clock.t.date();
        // Whether the machine is kept awake, and when it is to be woken.
        const auto asked = [&] { return std::pair(b->p.sleep.held, b->p.wake.wakes); };
        using Asked = std::pair<int, QList<QDateTime>>;
        b->ui().TxtTime->setText(u"7:30"_s); // typed, not set: the machine may sleep
        b->tickAt(QTime(7, 20, 0));
        QCOMPARE(asked(), Asked(0, {}));

        b->arm(u"7:30"_s);
        QCOMPARE(asked(), Asked(1, {QDateTime(today, QTime(7, 29))}));
        b->ui().TxtTime->setText(u"8:05"_s); // edited while armed: the desktop is told
        b->tickAt(QTime(7, 20, 2));
        QCOMPARE(asked(), Asked(1, {QDateTime(today, QTime(8, 4))}));
        QCOMPARE(b->p.sleep.reason, u"Belltide has an alarm set for 8:05"_s);
        QTest::mouseClick(b->ui().CmdReset, Qt::LeftButton);
        QCOMPARE(asked(), Asked(0, {}));

        b->ui().cmdremset->setEnabled(false);
        b->arm(u"7:30"_s);
        QCOMPARE(asked(), Asked(1, {QDateTime(today, QTime(7, 29))}));
        b->tickAt(QTime(7, 30, 0)); // rings: no wake any more, awake while it sounds
        QCOMPARE(b->p.player.started, QStringList{u"/music/wake.mp3"_s});
        for (int s = 1; s < 60; ++s)
            b->tickAt(QTime(7, 30, s));
        b->tickAt(QTime(7, 31, 1)); // the sound goes on into the next minute: the same reason
        QCOMPARE(asked(), Asked(1, {}));
        QCOMPARE(b->p.sleep.reason, u"Belltide has an alarm set for 7:30"_s);
        b->p.player.playing = false;
        b->tickAt(QTime(7, 31, 2));
        QCOMPARE(asked(), Asked(0, {}));
        b->p.clock.t = b->p.clock.t.addDays(1);
        b->tickAt(QTime(7, 30, 0));
        QCOMPARE(b->p.player.started.size(), 1);
        QVERIFY(b->armed());

        QTest::mouseClick(b->ui().CmdReset, Qt::LeftButton);
        QCOMPARE(b->p.player.stops, 2); // this Stop and the first
        QVERIFY(b->ui().CmdSet->isEnabled() && !b->ui().CmdReset->isEnabled());
        QCOMPARE(b->ui().TxtTime->text(), QString());
        QCOMPARE(b->ui().Txtfile->text(), u"/music/wake.mp3"_s);
        QVERIFY(b->ui().cmdremset->isEnabled());

        b->arm(u"6:00"_s);
        QCOMPARE(asked(), Asked(1, {QDateTime(today.addDays(2), QTime(5, 59))}));
        b->w.reset(); // the program ends
        QCOMPARE(asked(), Asked(0, {}));
    }

    // Browse puts the chosen file in the box; Cancel leaves the box as it is,
    // a typed path as well as an earlier choice.
    void browse() {
        b->ui().Txtfile->setText(u"/typed.mp3"_s);
        for (const auto &[answer, box] : {std::pair<std::optional<QString>, QString>{std::nullopt, "/typed.mp3"},
                                          {"/home/me/song.WAV", "/home/me/song.WAV"},
                                          {std::nullopt, "/home/me/song.WAV"}}) {
            b->p.fileDialog.next = answer;
            QTest::mouseClick(b->ui().CmdBrowse, Qt::LeftButton);
            QCOMPARE(b->ui().Txtfile->text(), box);
        }
    }

    // Each tick is re-armed from the clock: with a clock that always reads
    // 10 ms before the turn of a second, the aligned timer ticks every few
    // milliseconds. Judged against a timer of fixed period beside it, which
    // ticks once a second, and not against a time.
    void theTickIsReArmedFromTheClock() {
        FakeClock clock;
        clock.t.setTime(QTime(7, 30, 0, 990));
        TickTimer aligned(clock), fixed(clock);
        QSignalSpy ticks(&aligned, &TickTimer::timeout), fixedTicks(&fixed, &TickTimer::timeout);
        aligned.setAlignedToClock(true);
        aligned.setInterval(1000);
        fixed.setInterval(1000);
        QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 20, 60000);
        QVERIFY2(fixedTicks.count() < 10, qPrintable(QString::number(fixedTicks.count())));
        QVERIFY(clock.reads >= ticks.count());
        aligned.setEnabled(false); // stopped, it stays still while the other, aligned now, ticks on
        const qsizetype seen = ticks.count(), other = fixedTicks.count();
        fixed.setAlignedToClock(true);
        QTRY_VERIFY_WITH_TIMEOUT(fixedTicks.count() >= other + 5, 60000);
        QCOMPARE(ticks.count(), seen);
    }
};

QTEST_MAIN(TestClock)
#include "tst_clock.moc"
