#include "clocktext.h"
#include "fakes.h"
#include "frmclock.h"

#include <QSignalSpy>

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

    void theTickShowsTheTimeInBothWindows_data() {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("shown");
        QTest::newRow("after midnight") << QTime(0, 5, 0) << "0:05:00";
        QTest::newRow("morning") << QTime(7, 30, 9) << "7:30:09";
        QTest::newRow("evening") << QTime(17, 3, 10) << "17:03:10";
        QTest::newRow("last second") << QTime(23, 59, 59, 999) << "23:59:59";
    }
    void theTickShowsTheTimeInBothWindows() {
        QFETCH(QTime, time);
        QFETCH(QString, shown);
        QVERIFY(!b->w->frmclockLoaded());
        b->tickAt(time);
        QCOMPARE(b->timer("Timer1")->interval(), 1000);
        QCOMPARE(b->ui().txttimetot->text() + b->ui().txttimetot2->text(), shown);
        FrmClock &view = b->w->frmclock(); // loaded by the tick, hidden
        QVERIFY(!view.isVisible());
        QCOMPARE(view.txttimetot()->text() + view.txttimetot2()->text(), shown);
    }

    // Armed at `now`, the alarm fires on its exact text at that tick, and the
    // wake comes a minute before the display shows the alarm (none: invalid).
    void onlyTheExactTextFires_data() {
        QTest::addColumn<QString>("alarm");
        QTest::addColumn<QTime>("now");
        QTest::addColumn<bool>("fires");
        QTest::addColumn<QDateTime>("wake");
        const QDate d(2026, 5, 7);
        const QDateTime tomorrow(d.addDays(1), QTime(7, 29));
        QTest::newRow("exact") << "7:30" << QTime(7, 30, 0) << true << tomorrow;
        QTest::newRow("late in the minute") << "7:30" << QTime(7, 30, 59) << true << tomorrow;
        QTest::newRow("a minute late") << "7:30" << QTime(7, 31, 0) << false << tomorrow;
        QTest::newRow("later today") << "7:30" << QTime(7, 20) << false << QDateTime(d, QTime(7, 29));
        QTest::newRow("the minute before") << "7:30" << QTime(7, 29, 30) << false << QDateTime(d, QTime(7, 30));
        QTest::newRow("evening in the morning") << "19:30" << QTime(7, 30) << false << QDateTime(d, QTime(19, 29));
        QTest::newRow("midnight") << "0:00" << QTime(0, 0) << true << QDateTime(d, QTime(23, 59));
        QTest::newRow("midnight at noon") << "0:00" << QTime(12, 0) << false << QDateTime(d, QTime(23, 59));
        QTest::newRow("00:00") << "00:00" << QTime(0, 0) << false << QDateTime();
        QTest::newRow("leading zero") << "07:30" << QTime(7, 30) << false << QDateTime();
        QTest::newRow("blank after") << "7:30 " << QTime(7, 30) << false << QDateTime();
        QTest::newRow("24:00") << "24:00" << QTime(7, 20) << false << QDateTime();
        QTest::newRow("empty") << "" << QTime(7, 20) << false << QDateTime();
        QTest::newRow("passed marker") << "7:30 Has Passed" << QTime(7, 20) << false << QDateTime();
    }
    void onlyTheExactTextFires() {
        QFETCH(QString, alarm);
        QFETCH(QTime, now);
        QFETCH(bool, fires);
        QFETCH(QDateTime, wake);
        b->ui().TxtTime->setText(alarm);
        b->tickAt(now); // not armed: never
        QVERIFY(b->p.player.started.isEmpty());
        b->arm(alarm);
        QCOMPARE(b->p.wake.set, wake);
        b->tickAt(now);
        QCOMPARE(b->p.player.started.size(), fires ? 1 : 0);
        QCOMPARE(b->ui().TxtTime->text(), fires ? alarm + QStringLiteral(" Has Passed") : alarm);
    }

    // Armed, it fires once at its minute, whatever comes after, until Stop.
    void theAlarmFiresOnceAndStopEndsIt() {
        b->ui().cmdremset->setEnabled(false);
        b->arm(QStringLiteral("7:30"));
        b->tickAt(QTime(7, 30, 0));
        QCOMPARE(b->p.player.started, QStringList{QStringLiteral("/music/wake.mp3")});
        for (int s = 1; s < 60; ++s)
            b->tickAt(QTime(7, 30, s));
        b->p.clock.t = b->p.clock.t.addDays(1);
        b->tickAt(QTime(7, 30, 0));
        QCOMPARE(b->p.player.started.size(), 1);
        QVERIFY(b->armed());

        QTest::mouseClick(b->ui().CmdReset, Qt::LeftButton);
        QCOMPARE(b->p.player.stops, 1);
        QVERIFY(b->ui().CmdSet->isEnabled() && !b->ui().CmdReset->isEnabled());
        QCOMPARE(b->ui().TxtTime->text(), QString());
        QCOMPARE(b->ui().Txtfile->text(), QStringLiteral("/music/wake.mp3"));
        QVERIFY(b->ui().cmdremset->isEnabled());
        QTest::mouseClick(b->ui().CmdReset, Qt::LeftButton); // disabled now
        QCOMPARE(b->p.player.stops, 1);
    }

    // The desktop is asked to keep the machine awake, and to wake it a minute
    // before the alarm, from Set Alarm until Stop or until the alarm's sound
    // has ended; the program's end leaves nothing behind.
    void theMachineIsKeptAwakeWhileTheAlarmCanRing() {
        const QDate today = b->p.clock.t.date();
        // Whether the machine is kept awake, and when it is to be woken.
        const auto asked = [&] { return std::pair(b->p.sleep.held, b->p.wake.wakes); };
        using Asked = std::pair<int, QList<QDateTime>>;
        b->ui().TxtTime->setText(QStringLiteral("7:30")); // typed, not set: the machine may sleep
        b->tickAt(QTime(7, 20, 0));
        QCOMPARE(asked(), Asked(0, {}));

        b->arm(QStringLiteral("7:30"));
        QCOMPARE(asked(), Asked(1, {QDateTime(today, QTime(7, 29))}));
        QVERIFY2(b->p.sleep.reason.contains(QStringLiteral("7:30")), qPrintable(b->p.sleep.reason));
        b->tickAt(QTime(7, 20, 1));
        QCOMPARE(asked(), Asked(1, {QDateTime(today, QTime(7, 29))}));

        b->ui().TxtTime->setText(QStringLiteral("8:05")); // edited while armed: the desktop is told
        b->tickAt(QTime(7, 20, 2));
        QCOMPARE(asked(), Asked(1, {QDateTime(today, QTime(8, 4))}));
        QCOMPARE(b->p.sleep.reason, QStringLiteral("Belltide has an alarm set for 8:05"));

        QTest::mouseClick(b->ui().CmdReset, Qt::LeftButton);
        QCOMPARE(asked(), Asked(0, {}));
        b->arm(QStringLiteral("7:30"));
        QCOMPARE(asked(), Asked(1, {QDateTime(today, QTime(7, 29))}));

        b->tickAt(QTime(7, 30, 0)); // rings: no wake any more, awake while it sounds
        QCOMPARE(b->p.player.started.size(), 1);
        QCOMPARE(asked(), Asked(1, {}));
        b->tickAt(QTime(7, 31, 1)); // the sound goes on into the next minute: the same reason
        QCOMPARE(asked(), Asked(1, {}));
        QCOMPARE(b->p.sleep.reason, QStringLiteral("Belltide has an alarm set for 7:30"));
        b->p.player.playing = false;
        b->tickAt(QTime(7, 31, 2));
        QCOMPARE(asked(), Asked(0, {}));
        QTest::mouseClick(b->ui().CmdReset, Qt::LeftButton);
        QCOMPARE(asked(), Asked(0, {}));

        b->arm(QStringLiteral("6:00"));
        QCOMPARE(asked(), Asked(1, {QDateTime(today.addDays(1), QTime(5, 59))}));
        b->w.reset(); // the program ends
        QCOMPARE(asked(), Asked(0, {}));
    }

    void browse_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("answers"); // "" cancels
        QTest::addColumn<QString>("box");
        QTest::newRow("chosen") << "" << QStringList{"/home/me/song.WAV"} << "/home/me/song.WAV";
        QTest::newRow("cancel keeps a typed path") << "/typed.mp3" << QStringList{""} << "/typed.mp3";
        QTest::newRow("cancel after a choice") << "" << QStringList{"/a.mp3", ""} << "/a.mp3";
        QTest::newRow("a second choice") << "/typed.mp3" << QStringList{"/a.mp3", "/b.wma"} << "/b.wma";
    }
    void browse() {
        QFETCH(QString, typed);
        QFETCH(QStringList, answers);
        QFETCH(QString, box);
        b->ui().Txtfile->setText(typed);
        for (const QString &a : answers) {
            b->p.fileDialog.next = a.isEmpty() ? std::nullopt : std::optional<QString>(a);
            QTest::mouseClick(b->ui().CmdBrowse, Qt::LeftButton);
        }
        QCOMPARE(b->ui().Txtfile->text(), box);
        QVERIFY(b->ui().CmdSet->isEnabled());
        QVERIFY(b->p.player.started.isEmpty());
    }

    // Each tick is re-armed from the clock: with a clock that always reads
    // 10 ms before the turn of a second, the 1000 ms timer ticks every few
    // milliseconds, where a timer of fixed period would take 20 s.
    void theTickIsReArmedFromTheClock() {
        FakeClock clock;
        clock.t.setTime(QTime(7, 30, 0, 990));
        TickTimer timer(clock);
        QSignalSpy ticks(&timer, &TickTimer::timeout);
        timer.setAlignedToClock(true);
        timer.setInterval(1000);
        QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 20, 10000);
        QVERIFY(clock.reads >= ticks.count());
        timer.setEnabled(false);
        const int seen = int(ticks.count());
        TickTimer other(clock); // while it ticks, the stopped one stays still
        QSignalSpy otherTicks(&other, &TickTimer::timeout);
        other.setAlignedToClock(true);
        other.setInterval(1000);
        QTRY_VERIFY_WITH_TIMEOUT(otherTicks.count() >= 5, 10000);
        QCOMPARE(ticks.count(), seen);
    }
};

QTEST_MAIN(TestClock)
#include "tst_clock.moc"
