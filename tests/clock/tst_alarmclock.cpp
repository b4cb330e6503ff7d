#include "alarmclock.h"
#include "fakes.h"
#include "frmalarmclock.h"
#include "frmclock.h"
#include "ticktimer.h"
#include "ui_frmalarmclock.h"

#include <QButtonGroup>
#include <QTest>

// The clock tick and the alarm buttons, driven through the real main window
// with a clock the test sets.
class TestAlarmClock : public QObject
{
    Q_OBJECT

    std::unique_ptr<FakePlatform> p;
    std::unique_ptr<FrmAlarmClock> w;

    Ui::FrmAlarmClock &ui() { return w->ui(); }
    TickTimer *timer(const char *name) { return w->findChild<TickTimer *>(QLatin1String(name)); }
    void tickAt(QTime t)
    {
        p->clock.setTime(t);
        w->alarm().Timer1_Timer();
    }
    void armWith(const QString &alarm, const QString &music = QStringLiteral("/music/wake.mp3"))
    {
        ui().TxtTime->setText(alarm);
        ui().Txtfile->setText(music);
        QTest::mouseClick(ui().CmdSet, Qt::LeftButton);
    }

private slots:
    void init()
    {
        p = std::make_unique<FakePlatform>();
        w = std::make_unique<FrmAlarmClock>(p->services());
        w->Form_Load();
    }
    void cleanup()
    {
        w.reset();
        p.reset();
    }

    void theTickWritesBothWindows()
    {
        QCOMPARE(timer("Timer1")->interval(), 100);
        QVERIFY(!w->frmclockLoaded());
        tickAt(QTime(7, 5, 9));
        QCOMPARE(timer("Timer1")->interval(), 1000);
        QCOMPARE(ui().txttimetot->text(), QStringLiteral("7:05"));
        QCOMPARE(ui().txttimetot2->text(), QStringLiteral(":09"));
        // The first tick loads the clock-only view, hidden, and fills it.
        QVERIFY(w->frmclockLoaded());
        QVERIFY(!w->frmclock().isVisible());
        QCOMPARE(w->frmclock().txttimetot()->text(), QStringLiteral("7:05"));
        QCOMPARE(w->frmclock().txttimetot2()->text(), QStringLiteral(":09"));
        tickAt(QTime(17, 30, 0));
        QCOMPARE(w->frmclock().txttimetot()->text(), QStringLiteral("17:30"));
        QCOMPARE(w->frmclock().txttimetot2()->text(), QStringLiteral(":00"));
    }

    void anArmedAlarmFiresOnceAtItsMinute()
    {
        armWith(QStringLiteral("7:30"));
        QVERIFY(!ui().CmdSet->isEnabled());
        QVERIFY(ui().CmdReset->isEnabled());

        tickAt(QTime(7, 29, 59));
        QVERIFY(p->player.started.isEmpty());

        tickAt(QTime(7, 30, 0));
        QCOMPARE(p->player.started, QStringList{QStringLiteral("/music/wake.mp3")});
        QVERIFY(p->player.alarmFlag());
        QCOMPARE(ui().TxtTime->text(), QStringLiteral("7:30 Has Passed"));
        QVERIFY(timer("Timer2")->isEnabled()); // "Enable For A Reminder" is selected
        QVERIFY(!ui().CmdSet->isEnabled()); // still armed until Stop

        for (int s = 1; s < 60; ++s)
            tickAt(QTime(7, 30, s));
        p->clock.advanceDays(1);
        tickAt(QTime(7, 30, 0));
        QCOMPARE(p->player.started.size(), 1);
    }

    void nothingFiresUnlessArmed()
    {
        ui().TxtTime->setText(QStringLiteral("7:30"));
        tickAt(QTime(7, 30, 0));
        QVERIFY(p->player.started.isEmpty());
        QCOMPARE(ui().TxtTime->text(), QStringLiteral("7:30"));
        QVERIFY(!timer("Timer2")->isEnabled());
    }

    void anEmptyAlarmNeverFires()
    {
        armWith(QString());
        for (int m = 0; m < 24 * 60; m += 7)
            tickAt(QTime(m / 60, m % 60, 0));
        QVERIFY(p->player.started.isEmpty());
    }

    void armingDuringTheMinuteFiresOnTheNextTick()
    {
        tickAt(QTime(7, 30, 40));
        armWith(QStringLiteral("7:30"));
        tickAt(QTime(7, 30, 41));
        QCOMPARE(p->player.started.size(), 1);
    }

    void editingTheAlarmWhileArmedTakesEffectNextTick()
    {
        armWith(QStringLiteral("8:00"));
        tickAt(QTime(7, 30, 0));
        ui().TxtTime->setText(QStringLiteral("7:30"));
        tickAt(QTime(7, 30, 1));
        QCOMPARE(p->player.started.size(), 1);
    }

    void aMissedMinuteNeverFiresLater()
    {
        armWith(QStringLiteral("7:30"));
        tickAt(QTime(7, 29, 59));
        tickAt(QTime(7, 31, 0)); // suspended across the alarm minute
        tickAt(QTime(7, 31, 1));
        QVERIFY(p->player.started.isEmpty());
    }

    void withoutTheReminderOptionTheWatcherStaysOff()
    {
        // The user cannot clear the option; only a program could.
        ui().OptDate->group()->setExclusive(false);
        ui().OptDate->setChecked(false);
        armWith(QStringLiteral("7:30"));
        tickAt(QTime(7, 30, 0));
        QCOMPARE(p->player.started.size(), 1);
        QVERIFY(!timer("Timer2")->isEnabled());
    }

    void theReminderOptionCannotBeCleared()
    {
        QVERIFY(ui().OptDate->isChecked());
        QTest::mouseClick(ui().OptDate, Qt::LeftButton);
        QVERIFY(ui().OptDate->isChecked());
    }

    void stopSilencesAndDisarms()
    {
        armWith(QStringLiteral("7:30"));
        ui().cmdremset->setEnabled(false);
        tickAt(QTime(7, 30, 0));
        QTest::mouseClick(ui().CmdReset, Qt::LeftButton);
        QCOMPARE(p->player.stops, 1);
        QVERIFY(ui().CmdSet->isEnabled());
        QVERIFY(!ui().CmdReset->isEnabled());
        QCOMPARE(ui().TxtTime->text(), QString());
        QCOMPARE(ui().Txtfile->text(), QStringLiteral("/music/wake.mp3"));
        QVERIFY(ui().cmdremset->isEnabled());
    }

    void stopWhenNothingPlaysStillStopsThePlayer()
    {
        armWith(QStringLiteral("9:00"));
        QTest::mouseClick(ui().CmdReset, Qt::LeftButton);
        QCOMPARE(p->player.stops, 1);
        QVERIFY(p->messageBox.shown.isEmpty());
    }

    // Idle -> Armed -> Passed -> Idle: Set Alarm and Stop are never enabled
    // together.
    void setAndStopAreNeverEnabledTogether()
    {
        auto exclusive = [this] { return ui().CmdSet->isEnabled() != ui().CmdReset->isEnabled(); };
        QVERIFY(exclusive());
        armWith(QStringLiteral("7:30"));
        QVERIFY(exclusive());
        tickAt(QTime(7, 30, 0));
        QVERIFY(exclusive());
        QTest::mouseClick(ui().CmdReset, Qt::LeftButton);
        QVERIFY(exclusive());
        QTest::mouseClick(ui().CmdReset, Qt::LeftButton); // disabled: no effect
        QCOMPARE(p->player.stops, 1);
        QVERIFY(exclusive());
    }

    void browseFillsTheMusicBox()
    {
        p->fileDialog.next = QStringLiteral("/home/me/Music/song.WAV");
        QTest::mouseClick(ui().CmdBrowse, Qt::LeftButton);
        QCOMPARE(ui().Txtfile->text(), QStringLiteral("/home/me/Music/song.WAV"));

        // A second Browse, cancelled: the box keeps its text.
        p->fileDialog.next.reset();
        QTest::mouseClick(ui().CmdBrowse, Qt::LeftButton);
        QCOMPARE(ui().Txtfile->text(), QStringLiteral("/home/me/Music/song.WAV"));
        QCOMPARE(p->fileDialog.shown, 2);
    }

    void aFirstCancelKeepsATypedPath()
    {
        ui().Txtfile->setText(QStringLiteral("/typed/by/hand.mp3"));
        QTest::mouseClick(ui().CmdBrowse, Qt::LeftButton);
        QCOMPARE(ui().Txtfile->text(), QStringLiteral("/typed/by/hand.mp3"));
    }

    void browseNeitherArmsNorPlays()
    {
        p->fileDialog.next = QStringLiteral("/a.mp3");
        QTest::mouseClick(ui().CmdBrowse, Qt::LeftButton);
        QVERIFY(ui().CmdSet->isEnabled());
        QVERIFY(p->player.started.isEmpty());
        QCOMPARE(p->player.stops, 0);
    }
};

QTEST_MAIN(TestAlarmClock)
#include "tst_alarmclock.moc"
