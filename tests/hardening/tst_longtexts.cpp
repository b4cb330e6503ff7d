// A megabyte pasted into each text box: the tick goes on (its time printed),
// the exit saves the texts and the next start brings them back whole.
#include "alarmclock.h"
#include "fakes.h"
#include "frmalarmclock.h"
#include "inisettingsstore.h"
#include "reminderfile.h"
#include "reminders.h"
#include "ui_frmalarmclock.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTest>

#include <algorithm>

class TestLongTexts : public QObject
{
    Q_OBJECT

private slots:
    void aMegabyteInEachBox()
    {
        FakePlatform p;
        IniSettingsStore store(p.appDir.filePath(QStringLiteral("settings.ini")));
        const QString mega(1 << 20, u'7');
        auto w = std::make_unique<FrmAlarmClock>(p.services(nullptr, &store));
        w->Form_Load();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->cmdRem_Click();
        for (QLineEdit *box : {w->ui().TxtTime, w->ui().Txtfile, w->ui().TxtRem}) {
            QGuiApplication::clipboard()->setText(mega);
            box->setFocus();
            QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(box->text().size(), mega.size());
        }
        QTest::mouseClick(w->ui().CmdSet, Qt::LeftButton);

        QList<qint64> ticks;
        for (int i = 0; i < 100; ++i) {
            p.clock.advanceSeconds(1);
            QElapsedTimer t;
            t.start();
            w->alarm().Timer1_Timer();
            QCoreApplication::processEvents(); // and paint what changed
            ticks << t.nsecsElapsed();
        }
        std::sort(ticks.begin(), ticks.end());
        qInfo("tick with 1 MiB in each box: median %.3f ms, max %.3f ms (100 ticks)", ticks[50] / 1e6,
              ticks.last() / 1e6);
        QVERIFY(p.player.started.isEmpty()); // a megabyte is no time text

        // Set Reminder writes the long text; exit saves the long settings.
        QTest::mouseClick(w->ui().cmdremset, Qt::LeftButton);
        QCOMPARE(ReminderFile::read(p.reminderFile()), std::optional<QString>(mega));
        QElapsedTimer save;
        save.start();
        w->MnuExit_Click();
        qInfo("exit with 2 MiB of settings: %lld ms", save.elapsed());
        QVERIFY(p.messageBox.shown.size() == 1); // only the reminder's success

        IniSettingsStore again(p.appDir.filePath(QStringLiteral("settings.ini")));
        w = std::make_unique<FrmAlarmClock>(p.services(nullptr, &again));
        w->Form_Load();
        QCOMPARE(w->ui().TxtTime->text(), mega);
        QCOMPARE(w->ui().Txtfile->text(), mega);
        QVERIFY(!w->ui().CmdSet->isEnabled());
    }
};

QTEST_MAIN(TestLongTexts)
#include "tst_longtexts.moc"
