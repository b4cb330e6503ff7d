#include "fakes.h"
#include "monthcalendar.h"
#include "reminderfile.h"

#include <QButtonGroup>
#include <QDir>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// Set Reminder, the watcher and the calendar refresh, through the real main
// window, with a clock the test sets and a temporary program folder.
class TestReminders : public QObject
{
    Q_OBJECT
    std::unique_ptr<Program> b;

    QDate today() const { return b->p.clock.t.date(); }
    QByteArray file() const { return FakePlatform::bytes(b->p.reminderFile()); }
    void setReminder(const QString &text, QDate date) {
        b->ui().Calendar1->setDate(date.year(), date.month(), date.day());
        b->ui().TxtRem->setText(text);
        QTest::mouseClick(b->ui().cmdremset, Qt::LeftButton);
    }
    // An alarm at 7:30 and, with the reminder option, the watcher after it.
    void alarmGoesOff() {
        b->arm(u"7:30"_s);
        b->tickAt(QTime(7, 30, 0));
        QTest::mouseClick(b->ui().CmdReset, Qt::LeftButton);
    }

private slots:
    void init() {
        b = std::make_unique<Program>();
        b->start();
    }
    void cleanup() { b.reset(); }

    // Set Reminder takes the calendar's date, writes the text and says so;
    // it refuses an empty text, and loses nothing when the file cannot be written.
    void setReminder_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("blocked");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("after");
        const QString taken = u"Status:|Success, Now choose a time and music file and press Set Alarm!!"_s;
        const QString refused = u"Error|You have not specified a reminder!"_s;
        QTest::newRow("a text") << "Say \"hi\", then go" << false << taken
                                << QByteArray("\"Say \"\"hi\"\", then go\"\r\n");
        QTest::newRow("empty") << "" << false << refused << QByteArray("\"old\"\r\n");
        QTest::newRow("cannot be written") << "do not lose me" << true << "Error|" << QByteArray("<none>");
    }
    void setReminder() {
        QFETCH(QString, text);
        QFETCH(bool, blocked);
        QFETCH(QString, message);
        QFETCH(QByteArray, after);
        if (blocked)
            QVERIFY(QDir().mkpath(b->p.reminderFile() + u"/in-the-way"_s));
        else
            FakePlatform::write(b->p.reminderFile(), "\"old\"\r\n");
        setReminder(text, QDate(2026, 12, 31));
        QCOMPARE(b->p.messageBox.shown.size(), 1);
        const QString shown = b->p.messageBox.shown[0];
        QVERIFY2(shown.startsWith(message), qPrintable(shown));
        QVERIFY2(!blocked || shown.contains(b->p.reminderFile()), qPrintable(shown));
        QCOMPARE(file(), after);
        const bool taken = message.startsWith(u"Status:"_s);
        QCOMPARE(b->ui().TxtRem->text(), taken ? QString() : text);
        QCOMPARE(b->ui().cmdremset->isEnabled(), !taken);
        QCOMPARE(b->w->reminders().working, (ReminderDate{" 2026", " 12", " 31"}));
        QVERIFY(FakePlatform::bytes(b->p.settingsFile()).contains("[CorVanta\\State]\nremset=\"Set\"\n"));
    }

    // Delivery needs the alarm, the option and the reminder's date on the
    // calendar: today after the refresh, or a day the user clicked before it.
    void delivery_data() {
        QTest::addColumn<int>("reminderDay");
        QTest::addColumn<int>("clickedDay");
        QTest::addColumn<bool>("option");
        QTest::addColumn<bool>("delivered");
        QTest::newRow("today") << 0 << 0 << true << true;
        QTest::newRow("tomorrow") << 1 << 0 << true << false;
        QTest::newRow("a clicked day") << 3 << 3 << true << true;
        QTest::newRow("today, clicked away") << 0 << 2 << true << false;
        QTest::newRow("no option") << 0 << 0 << false << false;
    }
    void delivery() {
        QFETCH(int, reminderDay);
        QFETCH(int, clickedDay);
        QFETCH(bool, option);
        QFETCH(bool, delivered);
        setReminder(u"Take the \"blue\" bag, and keys"_s, today().addDays(reminderDay));
        b->w->reminders().Timer3_Timer();
        QCOMPARE(b->ui().Calendar1->selectedDate(), today());
        b->ui().Calendar1->setSelectedDate(today().addDays(clickedDay));
        b->ui().OptDate->group()->setExclusive(false);
        b->ui().OptDate->setChecked(option);
        b->ui().TxtRem->setText(u"typed meanwhile"_s);
        alarmGoesOff();
        QCOMPARE(b->ui().TxtRem->text(), delivered ? u"Take the \"blue\" bag, and keys"_s : u"typed meanwhile"_s);
        QCOMPARE(QFile::exists(b->p.reminderFile()), !delivered);
        QVERIFY(!b->timer("Timer2")->isEnabled()); // with the file gone, a second alarm that day finds nothing
    }

    // A reminder set in a later run is tested against its own date, not the
    // one restored from the earlier run (delivered on its day after a
    // restart: e2e_alarm).
    void aReminderAcrossRuns() {
        setReminder(u"earlier"_s, today().addDays(1));
        b->restart();
        b->p.clock.t = b->p.clock.t.addDays(1); // the restored date's day
        b->w->reminders().Timer3_Timer();
        setReminder(u"newer"_s, today().addDays(1));
        b->w->reminders().Timer3_Timer();
        alarmGoesOff();
        QCOMPARE(b->ui().TxtRem->text(), QString());
        QCOMPARE(file(), QByteArray("\"newer\"\r\n"));
    }

    // The alarm goes off while a message of Set Reminder is open: what it
    // delivers is not wiped, and a typed text is not replaced behind the box.
    // An older reminder waits in the other place (of a copy of the program
    // that keeps it there): one pending reminder, so a newer one ends it;
    // else it is found and removed from there.
    void anAlarmWhileSetRemindersMessageIsOpen_data() {
        QTest::addColumn<bool>("saved");
        QTest::newRow("Status:") << true;
        QTest::newRow("could not be saved") << false;
    }
    void anAlarmWhileSetRemindersMessageIsOpen() {
        QFETCH(bool, saved);
        const QString other = b->p.otherReminderFile = b->p.appDir.filePath(u"other/reminder.ini"_s);
        b->start(); // a window that knows the other copy's place
        QVERIFY(ReminderFile::write(other, u"older"_s, nullptr));
        if (!saved) // this one cannot be written
            QVERIFY(QDir().mkpath(b->p.reminderFile() + u"/blocked"_s));
        b->arm(u"7:30"_s);
        b->p.messageBox.whileOpen = [&] { b->tickAt(QTime(7, 30, 0)); };
        setReminder(u"typed"_s, today());
        b->p.messageBox.whileOpen = nullptr;
        if (!saved)
            QCOMPARE(b->ui().TxtRem->text(), u"typed"_s); // as the user left it
        if (b->timer("Timer2")->isEnabled())
            b->w->reminders().Timer2_Timer();
        QCOMPARE(b->ui().TxtRem->text(), saved ? u"typed"_s : u"older"_s);
        QVERIFY(!QFile::exists(other) && (!saved || !QFile::exists(b->p.reminderFile())));
    }

    void aReminderThatCannotBeRemovedIsReported() {
        setReminder(u"stuck"_s, today());
        b->p.messageBox.shown.clear();
        QVERIFY(::chmod(QFile::encodeName(b->p.appDir.path()).constData(), 0555) == 0);
        const bool root = ::geteuid() == 0; // root may remove anything: act as nobody
        QVERIFY(!root || ::seteuid(65534) == 0);
        alarmGoesOff();
        QVERIFY(!root || ::seteuid(0) == 0);
        ::chmod(QFile::encodeName(b->p.appDir.path()).constData(), 0700);
        QCOMPARE(b->ui().TxtRem->text(), u"stuck"_s);
        QCOMPARE(b->p.messageBox.shown.size(), 1);
        QVERIFY(b->p.messageBox.shown[0].contains(b->p.reminderFile()));
    }
};

QTEST_MAIN(TestReminders)
#include "tst_reminders.moc"
