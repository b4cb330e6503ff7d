#include "alarmclock.h"
#include "fakes.h"
#include "frmalarmclock.h"
#include "monthcalendar.h"
#include "reminderfile.h"
#include "reminders.h"
#include "ticktimer.h"
#include "ui_frmalarmclock.h"

#include <QDir>
#include <QFile>
#include <QButtonGroup>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// Set Reminder, the watcher and the calendar refresh, through the real main
// window with fakes, a clock the test sets and a temporary program folder.
class TestReminders : public QObject
{
    Q_OBJECT

    std::unique_ptr<FakePlatform> p;
    std::unique_ptr<FrmAlarmClock> w;

    Ui::FrmAlarmClock &ui() { return w->ui(); }
    Reminders &rem() { return w->reminders(); }
    TickTimer *timer2() { return w->findChild<TickTimer *>(QStringLiteral("Timer2")); }

    void start()
    {
        w = std::make_unique<FrmAlarmClock>(p->services());
        w->Form_Load();
    }
    void restart()
    {
        w->MnuExit_Click();
        start();
    }
    void setReminder(const QString &text, QDate date)
    {
        ui().Calendar1->setDate(date.year(), date.month(), date.day());
        ui().TxtRem->setText(text);
        QTest::mouseClick(ui().cmdremset, Qt::LeftButton);
    }
    // An alarm at 7:30 with "Enable For A Reminder", then the watcher's tick.
    void alarmGoesOff()
    {
        ui().TxtTime->setText(QStringLiteral("7:30"));
        if (ui().CmdSet->isEnabled())
            QTest::mouseClick(ui().CmdSet, Qt::LeftButton);
        p->clock.setTime(QTime(7, 30, 0));
        w->alarm().Timer1_Timer();
        if (timer2()->isEnabled())
            rem().Timer2_Timer();
    }
    // Set Reminder is enabled again only by Stop, which needs an armed alarm.
    void armAndStop()
    {
        QTest::mouseClick(ui().CmdSet, Qt::LeftButton);
        QTest::mouseClick(ui().CmdReset, Qt::LeftButton);
        QVERIFY(ui().cmdremset->isEnabled());
    }
    QByteArray fileBytes() const
    {
        QFile f(p->reminderFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QDate today() const { return p->clock.now().date(); }

private slots:
    void init()
    {
        p = std::make_unique<FakePlatform>();
        start();
    }
    void cleanup()
    {
        w.reset();
        p.reset();
    }

    void theDateTextsOfSeventhMay()
    {
        setReminder(QStringLiteral("x"), QDate(2026, 5, 7));
        QCOMPARE(rem().working.day, QStringLiteral(" 7"));
        QCOMPARE(rem().working.month, QStringLiteral(" 5"));
        QCOMPARE(rem().working.year, QStringLiteral(" 2026"));
        QCOMPARE(datePartText(-3), QStringLiteral("-3"));
    }

    void setReminderWritesTheFileAndSaysSo()
    {
        setReminder(QStringLiteral("Dentist, 9 o'clock"), today());
        QCOMPARE(fileBytes(), QByteArray("\"Dentist, 9 o'clock\"\r\n"));
        QCOMPARE(p->messageBox.shown.size(), 1);
        QCOMPARE(p->messageBox.shown[0].prompt, QStringLiteral("Success, Now choose a time and music file and press Set Alarm!!"));
        QCOMPARE(p->messageBox.shown[0].title, QStringLiteral("Status:"));
        QCOMPARE(p->messageBox.shown[0].icon, MessageBox::Icon::None);
        QCOMPARE(ui().TxtRem->text(), QString());
        QVERIFY(!ui().cmdremset->isEnabled());
        QCOMPARE(p->settings.get(QStringLiteral("Corvanta"), QStringLiteral("State"), QStringLiteral("remset")), QStringLiteral("Set"));
    }

    void anEmptyTextIsRefusedButTheFlagAndDateAreWritten()
    {
        setReminder(QStringLiteral("old"), QDate(2026, 5, 8));
        armAndStop();
        p->messageBox.shown.clear();
        p->settings.values.clear();

        setReminder(QString(), QDate(2026, 6, 1));
        QCOMPARE(p->messageBox.shown.size(), 1);
        QCOMPARE(p->messageBox.shown[0].prompt, QStringLiteral("You have not specified a reminder!"));
        QCOMPARE(p->messageBox.shown[0].title, QStringLiteral("Error"));
        QCOMPARE(p->messageBox.shown[0].icon, MessageBox::Icon::None);
        QCOMPARE(fileBytes(), QByteArray("\"old\"\r\n"));
        QVERIFY(ui().cmdremset->isEnabled());
        QCOMPARE(p->settings.get(QStringLiteral("CorVanta"), QStringLiteral("State"), QStringLiteral("remset")), QStringLiteral("Set"));
        QCOMPARE(rem().working, (ReminderDate{QStringLiteral(" 2026"), QStringLiteral(" 6"), QStringLiteral(" 1")}));
    }

    void blanksOnlyIsAReminder()
    {
        setReminder(QStringLiteral("   "), today());
        QCOMPARE(fileBytes(), QByteArray("\"   \"\r\n"));
    }

    void aSecondReminderReplacesTheFirst()
    {
        setReminder(QStringLiteral("first"), today());
        armAndStop();
        setReminder(QStringLiteral("second"), today());
        QCOMPARE(fileBytes(), QByteArray("\"second\"\r\n"));
    }

    void theButtonFollowsTheAlarm()
    {
        // Activation while idle leaves the button as it is.
        rem().Form_Activate();
        QVERIFY(ui().cmdremset->isEnabled());
        // Activation while armed disables it; activation never enables it.
        QTest::mouseClick(ui().CmdSet, Qt::LeftButton);
        rem().Form_Activate();
        QVERIFY(!ui().cmdremset->isEnabled());
        rem().Form_Activate();
        QVERIFY(!ui().cmdremset->isEnabled());
        QTest::mouseClick(ui().CmdReset, Qt::LeftButton);
        QVERIFY(ui().cmdremset->isEnabled());
        rem().Form_Activate();
        QVERIFY(ui().cmdremset->isEnabled());
    }

    void anAlarmOnTheDateDeliversTheText()
    {
        setReminder(QStringLiteral("Take the \"blue\" bag, and keys"), today());
        ui().TxtRem->setText(QStringLiteral("typed meanwhile"));
        alarmGoesOff();
        QCOMPARE(ui().TxtRem->text(), QStringLiteral("Take the \"blue\" bag, and keys"));
        QVERIFY(!QFile::exists(p->reminderFile()));
        QVERIFY(!timer2()->isEnabled());
        // The working date keeps naming the day of delivery.
        QCOMPARE(rem().working.day, datePartText(today().day()));
    }

    void noDeliveryOnAnotherDate()
    {
        setReminder(QStringLiteral("tomorrow"), today().addDays(1));
        rem().Timer3_Timer(); // the calendar is back on today
        alarmGoesOff();
        QCOMPARE(ui().TxtRem->text(), QString());
        QVERIFY(QFile::exists(p->reminderFile()));
        QVERIFY(!timer2()->isEnabled());
    }

    void noDeliveryWithoutTheOption()
    {
        setReminder(QStringLiteral("today"), today());
        // The user cannot clear the option; only a program could.
        ui().OptDate->group()->setExclusive(false);
        ui().OptDate->setChecked(false);
        alarmGoesOff();
        QVERIFY(QFile::exists(p->reminderFile()));
        QCOMPARE(ui().TxtRem->text(), QString());
    }

    void theDateAloneDeliversNothing()
    {
        setReminder(QStringLiteral("today"), today());
        for (int s = 0; s < 120; ++s) {
            p->clock.advanceSeconds(1);
            w->alarm().Timer1_Timer();
        }
        QVERIFY(!timer2()->isEnabled());
        QVERIFY(QFile::exists(p->reminderFile()));
    }

    void aClickedDateCountsUntilTheRefresh()
    {
        const QDate other = today().addDays(3);
        setReminder(QStringLiteral("later"), other);
        // The user clicks that date; the alarm goes off within the minute.
        ui().Calendar1->setSelectedDate(other);
        alarmGoesOff();
        QCOMPARE(ui().TxtRem->text(), QStringLiteral("later"));

        ui().Calendar1->setSelectedDate(other);
        rem().Timer3_Timer();
        QCOMPARE(ui().Calendar1->selectedDate(), today());
        QCOMPARE(w->findChild<TickTimer *>(QStringLiteral("Timer3"))->interval(), 60000);
    }

    void aReminderSurvivesARestart()
    {
        setReminder(QStringLiteral("from yesterday's run"), today().addDays(1));
        restart();
        QCOMPARE(rem().restored, (ReminderDate{datePartText(today().year()), datePartText(today().month()),
                                               datePartText(today().addDays(1).day())}));
        QVERIFY(rem().working.year.isEmpty());

        p->clock.advanceDays(1);
        rem().Timer3_Timer();
        alarmGoesOff();
        QCOMPARE(ui().TxtRem->text(), QStringLiteral("from yesterday's run"));
        QVERIFY(!QFile::exists(p->reminderFile()));
        QCOMPARE(rem().working, rem().restored);
    }

    // A run with no Set Reminder and no delivery keeps the pending date.
    void aQuietRunKeepsTheRestoredDate()
    {
        setReminder(QStringLiteral("pending"), today().addDays(5));
        restart();
        restart();
        const QString day = p->settings.get(QStringLiteral("Corvanta"), QStringLiteral("lastsettings"), QStringLiteral("remday"));
        QCOMPARE(day, datePartText(today().addDays(5).day()));
    }

    void aReminderSetInTheRunIsTestedAgainstItsOwnDate()
    {
        setReminder(QStringLiteral("old"), today());
        restart();
        setReminder(QStringLiteral("new"), today().addDays(2));
        rem().Timer3_Timer();
        alarmGoesOff(); // the restored date (today) is not tested any more
        QCOMPARE(ui().TxtRem->text(), QString());
        QVERIFY(QFile::exists(p->reminderFile()));
    }

    void aSecondAlarmAfterDeliveryFindsNoFile()
    {
        setReminder(QStringLiteral("once"), today());
        alarmGoesOff();
        ui().TxtRem->setText(QStringLiteral("kept"));
        QTest::mouseClick(ui().CmdReset, Qt::LeftButton);
        alarmGoesOff();
        QCOMPARE(ui().TxtRem->text(), QStringLiteral("kept"));
        QVERIFY(!timer2()->isEnabled());
        QVERIFY(p->messageBox.shown.size() == 1); // only the success message
    }

    void aGarbageFileIsDeliveredAsRead()
    {
        setReminder(QStringLiteral("x"), today());
        QFile f(p->reminderFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not ours, at all\x01\xff\n");
        f.close();
        alarmGoesOff();
        QCOMPARE(ui().TxtRem->text(), QStringLiteral("not ours"));
    }

    void aFileThatCannotBeWrittenLosesNothing()
    {
        // The program folder turns into something no file can be written in.
        QVERIFY(QDir().mkpath(p->reminderFile() + QStringLiteral("/blocked")));
        setReminder(QStringLiteral("do not lose me"), today());
        QCOMPARE(p->messageBox.shown.size(), 1);
        QCOMPARE(p->messageBox.shown[0].title, QStringLiteral("Error"));
        QVERIFY(p->messageBox.shown[0].prompt.contains(p->reminderFile()));
        QVERIFY(!p->messageBox.shown[0].prompt.contains(QStringLiteral("Success")));
        QCOMPARE(ui().TxtRem->text(), QStringLiteral("do not lose me"));
        QVERIFY(ui().cmdremset->isEnabled());
    }

    void theReminderPanelSurvivesFolding()
    {
        w->cmdRem_Click();
        ui().TxtRem->setText(QStringLiteral("half typed"));
        ui().Calendar1->setDate(2027, 1, 2);
        w->CmdIn_Click();
        w->cmdRem_Click();
        QCOMPARE(ui().TxtRem->text(), QStringLiteral("half typed"));
        QCOMPARE(ui().Calendar1->selectedDate(), QDate(2027, 1, 2));
    }

    // The alarm goes off while a message of Set Reminder is open: what it
    // delivers is not wiped, and a typed text is not replaced behind the box.
    // The reminder waiting in the other place (of a copy of the program that
    // keeps it there) is found and removed from there.
    void anAlarmWhileSetRemindersMessageIsOpen_data()
    {
        QTest::addColumn<bool>("saved");
        QTest::newRow("Status:") << true;
        QTest::newRow("could not be saved") << false;
    }
    void anAlarmWhileSetRemindersMessageIsOpen()
    {
        QFETCH(bool, saved);
        QTemporaryDir other;
        Services s = p->services();
        s.otherReminderFile = other.filePath(QStringLiteral("reminder.ini"));
        w = std::make_unique<FrmAlarmClock>(s);
        w->Form_Load();
        if (!saved) { // an older reminder waits in the other place; this one cannot be written
            QVERIFY(ReminderFile::write(s.otherReminderFile, QStringLiteral("older"), nullptr));
            QVERIFY(QDir().mkpath(p->reminderFile() + QStringLiteral("/blocked")));
        }
        ui().TxtTime->setText(QStringLiteral("7:30"));
        QTest::mouseClick(ui().CmdSet, Qt::LeftButton);
        p->messageBox.whileOpen = [&] {
            p->clock.setTime(QTime(7, 30, 0));
            w->alarm().Timer1_Timer();
            rem().Timer2_Timer();
        };
        setReminder(QStringLiteral("typed"), today());
        p->messageBox.whileOpen = nullptr;
        if (!saved)
            QCOMPARE(ui().TxtRem->text(), QStringLiteral("typed")); // as the user left it
        if (timer2()->isEnabled())
            rem().Timer2_Timer();
        QCOMPARE(ui().TxtRem->text(), saved ? QStringLiteral("typed") : QStringLiteral("older"));
        QVERIFY(!QFile::exists(saved ? p->reminderFile() : s.otherReminderFile));
    }

    void aReminderThatCannotBeRemovedIsReported()
    {
        setReminder(QStringLiteral("stuck"), today());
        p->messageBox.shown.clear();
        QVERIFY(QFile::setPermissions(p->appDir.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                                            | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
        const bool root = ::geteuid() == 0; // root may remove anything: act as nobody
        QVERIFY(!root || ::seteuid(65534) == 0);
        alarmGoesOff();
        QVERIFY(!root || ::seteuid(0) == 0);
        QFile::setPermissions(p->appDir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(ui().TxtRem->text(), QStringLiteral("stuck"));
        QCOMPARE(p->messageBox.shown.size(), 1);
        QVERIFY(p->messageBox.shown[0].prompt.contains(p->reminderFile()));
    }
};

QTEST_MAIN(TestReminders)
#include "tst_reminders.moc"
