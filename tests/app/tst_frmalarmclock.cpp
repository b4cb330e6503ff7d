#include "alarmclock.h"
#include "fakes.h"
#include "frmalarmclock.h"
#include "frmabout.h"
#include "frmclock.h"
#include "monthcalendar.h"
#include "shoplink.h"
#include "ticktimer.h"
#include "ui_frmalarmclock.h"

#include <QAccessible>
#include <QCalendarWidget>
#include <QLabel>
#include <QMenuBar>
#include <QTemporaryFile>
#include <QTest>

#include <unistd.h>

// The main window's design, start-up, exit, folding and the view switch.
class TestFrmAlarmClock : public QObject
{
    Q_OBJECT

    std::unique_ptr<FakePlatform> p;
    std::unique_ptr<FrmAlarmClock> w;

    Ui::FrmAlarmClock &ui() { return w->ui(); }
    TickTimer *timer(const char *name) { return w->findChild<TickTimer *>(QLatin1String(name)); }
    void start()
    {
        w = std::make_unique<FrmAlarmClock>(p->services());
        w->Form_Load();
    }
    void saveLast(const QString &key, const QString &value)
    {
        p->settings.put(QStringLiteral("Corvanta"), QStringLiteral("lastsettings"), key, value);
    }
    QStringList savedKeys() const
    {
        QStringList keys;
        for (const auto &e : p->settings.saved)
            keys << e.area + u'\\' + e.section + u'\\' + e.key + u'=' + e.value;
        return keys;
    }

private slots:
    void init() { p = std::make_unique<FakePlatform>(); }
    void cleanup()
    {
        w.reset();
        p.reset();
    }

    void theDesign()
    {
        start();
        QCOMPARE(w->windowTitle(), QStringLiteral("Belltide"));
        QCOMPARE(ui().Lbltimerinf->text(), QStringLiteral("Enter time for alarm to go off  in format:H:MM(24HR)"));
        QCOMPARE(ui().Label1->text(), QStringLiteral("Click on a date then write reminder below...."));
        QCOMPARE(ui().Label2->text(), QStringLiteral("Enter Filename of music to play on alarm activation..."));
        QCOMPARE(ui().Label3->text(), QStringLiteral("Use arrows for reminder screen"));
        QCOMPARE(ui().OptDate->text(), QStringLiteral("Enable For A Reminder"));
        QCOMPARE(ui().CmdSet->text(), QStringLiteral("Set Alarm"));
        QCOMPARE(ui().CmdReset->text(), QStringLiteral("Stop"));
        QCOMPARE(ui().cmdremset->text(), QStringLiteral("Set Reminder"));
        QCOMPARE(ui().CmdIn->text(), QStringLiteral("<<<"));
        QCOMPARE(ui().cmdRem->text(), QStringLiteral(">>>"));
        QCOMPARE(ui().Command1->text(), Shop::buyFromCaption());
        QCOMPARE(ui().Command2->text(), Shop::clickForCaption());

        QStringList menus;
        for (QAction *menu : w->menuBar()->actions()) {
            QStringList entries;
            for (QAction *a : menu->menu()->actions())
                entries << a->text();
            menus << menu->text() + u':' + entries.join(u',');
        }
        QCOMPARE(menus, (QStringList{QStringLiteral("File:Exit"), QStringLiteral("View:Clock Only,Full View"),
                                     QStringLiteral("Help:How To...,About")}));

        // The clock display takes neither focus nor typing; the seconds box
        // lies on top of the hours and minutes.
        for (QLineEdit *box : {ui().txttimetot, ui().txttimetot2}) {
            QVERIFY(!box->isEnabled());
            QCOMPARE(box->font().family(), QStringLiteral("Comic Sans MS"));
            QCOMPARE(box->font().pointSize(), 36);
        }
        const QObjectList order = ui().centralwidget->children();
        QVERIFY(order.indexOf(ui().txttimetot2) > order.indexOf(ui().txttimetot));
        QVERIFY(ui().txttimetot->geometry().intersects(ui().txttimetot2->geometry()));
    }

    void theTabOrder()
    {
        start();
        w->cmdRem_Click();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        ui().TxtTime->setFocus();
        const QStringList expected{"TxtTime", "Txtfile", "CmdBrowse", "CmdSet", "Command1", "cmdRem", "OptDate",
                                   "Calendar1", "TxtRem", "CmdIn", "cmdremset", "Command2", "TxtTime"};
        QStringList order;
        for (int i = 0; i < 13; ++i) {
            // The calendar's focus lands on a part of it.
            QWidget *focus = QApplication::focusWidget();
            while (focus && !expected.contains(focus->objectName()))
                focus = focus->parentWidget();
            QVERIFY(focus);
            order << focus->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order, expected);
    }

    void aFirstRun()
    {
        start();
        QCOMPARE(p->settings.reads, (QStringList{"Corvanta\\lastsettings\\remyear", "Corvanta\\lastsettings\\remmonth",
                                                 "Corvanta\\lastsettings\\remday", "Corvanta\\lastsettings\\timealarm",
                                                 "Corvanta\\lastsettings\\AlarmMusic"}));
        QCOMPARE(ui().TxtTime->text(), QString());
        QCOMPARE(ui().Txtfile->text(), QString());
        QVERIFY(ui().CmdSet->isEnabled());
        QVERIFY(!ui().CmdReset->isEnabled());
        QVERIFY(ui().OptDate->isChecked());
        QCOMPARE(ui().Calendar1->selectedDate(), p->clock.now().date());
        QCOMPARE(timer("Timer1")->interval(), 100);
        QVERIFY(timer("Timer1")->isEnabled());
        QVERIFY(!timer("Timer2")->isEnabled());
        QCOMPARE(timer("Timer3")->interval(), 60000);
        QVERIFY(w->width() < FrmAlarmClock::kUnfoldedWidth);
        QVERIFY(p->settings.saved.isEmpty());
    }

    void theCalendarGetsTodayFromAnyDate()
    {
        p->clock.set(QDateTime(QDate(2027, 2, 28), QTime(6, 0)));
        start(); // the calendar's design date is 31 December
        QCOMPARE(ui().Calendar1->selectedDate(), QDate(2027, 2, 28));
        QCOMPARE(ui().Calendar1->year(), 2027);
        QCOMPARE(ui().Calendar1->month(), 2);
        QCOMPARE(ui().Calendar1->day(), 28);
    }

    // The grid is built when the calendar first comes into view, and shows
    // the date the calendar held until then, as it follows clicks after.
    void theCalendarGridComesWithTheFirstUnfold()
    {
        start();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTest::qWait(50);
        QVERIFY(!ui().Calendar1->hasGrid());
        w->cmdRem_Click();
        QVERIFY(ui().Calendar1->hasGrid());
        QCOMPARE(ui().Calendar1->grid()->selectedDate(), p->clock.now().date());
        QCOMPARE(ui().Calendar1->grid()->monthShown(), p->clock.now().date().month());

        ui().Calendar1->grid()->setSelectedDate(QDate(2026, 6, 1)); // a click
        QCOMPARE(ui().Calendar1->day(), 1);
        QCOMPARE(ui().Calendar1->month(), 6);
        ui().Calendar1->setDate(2027, 1, 31);
        QCOMPARE(ui().Calendar1->grid()->selectedDate(), QDate(2027, 1, 31));
        QCOMPARE(ui().Calendar1->grid()->yearShown(), 2027);
        ui().Calendar1->setDate(2027, 2, 31); // no such day: the date stays
        QCOMPARE(ui().Calendar1->selectedDate(), QDate(2027, 1, 31));
    }

    void aSavedAlarmIsArmedAgain_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::newRow("a time") << "7:30";
        QTest::newRow("blanks only") << "   ";
        QTest::newRow("a passed marker") << "7:30 Has Passed";
    }
    void aSavedAlarmIsArmedAgain()
    {
        QFETCH(QString, saved);
        saveLast(QStringLiteral("timealarm"), saved);
        saveLast(QStringLiteral("AlarmMusic"), QStringLiteral(" /music/a song.mp3"));
        start();
        QCOMPARE(ui().TxtTime->text(), saved);
        QCOMPARE(ui().Txtfile->text(), QStringLiteral(" /music/a song.mp3"));
        QVERIFY(!ui().CmdSet->isEnabled());
        QVERIFY(ui().CmdReset->isEnabled());

        p->clock.setTime(QTime(7, 30, 0));
        w->alarm().Timer1_Timer();
        QCOMPARE(p->player.started.size(), saved == QStringLiteral("7:30") ? 1 : 0);
    }

    void exitSavesFiveKeysOnceAndEnds_data()
    {
        QTest::addColumn<bool>("byMenu");
        QTest::newRow("File > Exit") << true;
        QTest::newRow("close box") << false;
    }
    void exitSavesFiveKeysOnceAndEnds()
    {
        QFETCH(bool, byMenu);
        saveLast(QStringLiteral("timealarm"), QStringLiteral("6:00"));
        start();
        ui().TxtTime->setText(QStringLiteral("6:45"));
        ui().Txtfile->setText(QStringLiteral("/new/song.wma"));
        if (byMenu)
            ui().MnuExit->trigger();
        else
            w->close();
        w->close(); // an unload after the exit saves nothing more
        QCOMPARE(p->settings.saveCalls, 1);
        QCOMPARE(savedKeys(), (QStringList{"Corvanta\\lastsettings\\remyear=", "Corvanta\\lastsettings\\remmonth=",
                                           "Corvanta\\lastsettings\\remday=", "Corvanta\\lastsettings\\timealarm=6:45",
                                           "Corvanta\\lastsettings\\AlarmMusic=/new/song.wma"}));
        QCOMPARE(p->process.ends, 1);
        QVERIFY(p->messageBox.shown.isEmpty());
    }

    void aFailedSaveIsReportedBeforeTheEnd()
    {
        start();
        p->settings.failSaves = true;
        w->MnuExit_Click();
        QCOMPARE(p->messageBox.shown.size(), 1);
        QVERIFY(p->messageBox.shown[0].prompt.contains(p->settings.location()));
        QVERIFY(p->messageBox.shown[0].prompt.contains(p->settings.errorString()));
        QCOMPARE(p->messageBox.shown[0].icon, MessageBox::Icon::Warning);
        QCOMPARE(p->process.ends, 1);
    }

    void folding()
    {
        start();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const QRect unfoldedAt = [&] { w->cmdRem_Click(); return w->geometry(); }();
        QCOMPARE(w->width(), FrmAlarmClock::kUnfoldedWidth);
        w->cmdRem_Click();
        QCOMPARE(w->geometry(), unfoldedAt);

        w->CmdIn_Click();
        const int folded = w->width();
        // Everything of the left column and both arrows; nothing of the panel.
        for (QWidget *c : {static_cast<QWidget *>(ui().txttimetot), static_cast<QWidget *>(ui().TxtTime),
                           static_cast<QWidget *>(ui().Txtfile), static_cast<QWidget *>(ui().CmdReset),
                           static_cast<QWidget *>(ui().CmdIn), static_cast<QWidget *>(ui().cmdRem)})
            QVERIFY2(c->geometry().right() < folded, qPrintable(c->objectName()));
        for (QWidget *c : {static_cast<QWidget *>(ui().Calendar1), static_cast<QWidget *>(ui().Label1),
                           static_cast<QWidget *>(ui().TxtRem), static_cast<QWidget *>(ui().cmdremset)})
            QVERIFY2(c->geometry().left() >= folded, qPrintable(c->objectName()));
        // The outer width is the design's, from the real frame.
        const int frame = w->frameGeometry().width() - w->geometry().width();
        QCOMPARE(w->foldedWidth(), std::clamp(237 - frame, 231, 239));
        QCOMPARE(folded, w->foldedWidth());

        w->CmdIn_Click();
        QCOMPARE(w->width(), folded);
        QCOMPARE(w->geometry().left(), unfoldedAt.left());
        QCOMPARE(w->height(), unfoldedAt.height());
    }

    void everyStartIsFolded()
    {
        start();
        w->cmdRem_Click();
        w->MnuExit_Click();
        start();
        QVERIFY(w->width() < FrmAlarmClock::kUnfoldedWidth);
    }

    void theClockOnlyView()
    {
        start();
        w->show();
        ui().TxtTime->setText(QStringLiteral("7:31"));
        QTest::mouseClick(ui().CmdSet, Qt::LeftButton);
        w->alarm().Timer1_Timer();
        const QRect before = w->geometry();

        ui().MnuClock->trigger();
        FrmClock &view = w->frmclock();
        QVERIFY(view.isVisible());
        QVERIFY(!w->isVisible());
        QCOMPARE(view.windowTitle(), QStringLiteral("Belltide(Clock View)"));
        QCOMPARE(view.txttimetot()->text(), ui().txttimetot->text());

        // The hidden main window keeps ticking, and the alarm still fires.
        p->clock.setTime(QTime(7, 31, 0));
        w->alarm().Timer1_Timer();
        QCOMPARE(p->player.started.size(), 1);
        QCOMPARE(view.txttimetot()->text(), QStringLiteral("7:31"));

        view.findChild<QAction *>(QStringLiteral("MnuFull"))->trigger();
        QVERIFY(w->isVisible());
        QVERIFY(!view.isVisible());
        QCOMPARE(w->geometry(), before);
        QVERIFY(!ui().CmdSet->isEnabled());

        ui().MnuAlarm->trigger();
        QVERIFY(w->isVisible());
        QVERIFY(!view.isVisible());
    }

    void closingTheClockViewBringsBackTheMainWindow()
    {
        start();
        w->show();
        w->MnuClock_Click();
        w->frmclock().close();
        QVERIFY(w->isVisible());
        QCOMPARE(p->process.ends, 0);
        QVERIFY(p->settings.saved.isEmpty());
    }

    void everyControlHasAName()
    {
        start();
        for (QWidget *c : ui().centralwidget->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (c->focusPolicy() == Qt::NoFocus && c->isEnabled())
                continue; // labels and decoration
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(c);
            QVERIFY(a);
            QVERIFY2(!a->text(QAccessible::Name).trimmed().isEmpty(), qPrintable(c->objectName()));
        }
        QCOMPARE(QAccessible::queryAccessibleInterface(ui().TxtTime)->text(QAccessible::Name), ui().Lbltimerinf->text());
    }

    void theMenusWorkFromTheKeyboard()
    {
        start();
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));

        // F10, then the View menu's first entry: Clock Only.
        QTest::keyClick(w.get(), Qt::Key_F10);
        QTRY_VERIFY(ui().MnuFile->isVisible());
        QTest::keyClick(ui().MnuFile, Qt::Key_Right);
        QTRY_VERIFY(ui().MnuView->isVisible());
        // Opened from the keyboard, the menu's first entry is highlighted.
        QCOMPARE(ui().MnuView->activeAction(), ui().MnuClock);
        QTest::keyClick(ui().MnuView, Qt::Key_Return);
        QTRY_VERIFY(w->frmclockLoaded() && w->frmclock().isVisible());
        QVERIFY(!w->isVisible());

        // In the clock-only view, F10 and Return run Full View.
        FrmClock &view = w->frmclock();
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QTest::keyClick(&view, Qt::Key_F10);
        QTest::keyClick(view.menuBar(), Qt::Key_Return);
        QTRY_VERIFY(w->isVisible());

        // Alt alone, Return opens File, Return again chooses Exit.
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QTest::keyClick(w.get(), Qt::Key_Alt);
        QTest::keyClick(w->menuBar(), Qt::Key_Return);
        QTRY_VERIFY(ui().MnuFile->isVisible());
        QCOMPARE(ui().MnuFile->activeAction(), ui().MnuExit);
        QTest::keyClick(ui().MnuFile, Qt::Key_Return);
        QCOMPARE(p->process.ends, 1);
    }

    // Coming back to the main window from another of the program's windows
    // is an activation: with an alarm armed, Set Reminder goes off.
    void activationFromTheProgramsOwnWindows()
    {
        start();
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QTest::mouseClick(ui().CmdSet, Qt::LeftButton);
        QVERIFY(ui().cmdremset->isEnabled()); // arming alone does not touch it

        w->MnuClock_Click();
        FrmClock &view = w->frmclock();
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        view.MnuFull_Click();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QTRY_VERIFY(!ui().cmdremset->isEnabled());
    }

    void theShopButtonsOpenOneAddress()
    {
        start();
        QTest::mouseClick(ui().Command1, Qt::LeftButton);
        w->cmdRem_Click();
        QTest::mouseClick(ui().Command2, Qt::LeftButton);
        w->alarm().Timer1_Timer();
        QTest::mouseClick(w->frmclock().findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
        QCOMPARE(p->shop.shows, 3);
        QCOMPARE(p->shop.navigations, QList<QUrl>(3, Shop::address));
        QCOMPARE(Shop::address.toString(),
                 QStringLiteral("http://www.bookwick.example/exec/obidos/redirect-home/corvanta-20"));
    }

    // A SIGTERM at logout with a full disk: the failure goes to the log too,
    // and a second signal while the warning is open ends the program at once.
    void aSecondSignalEndsAFailedExitAtOnce()
    {
        start();
        p->settings.failSaves = true;
        int endsWhileOpen = -1;
        p->messageBox.whileOpen = [&] { w->terminationRequested(); endsWhileOpen = p->process.ends; };
        QTemporaryFile log;
        QVERIFY(log.open());
        const int stderrFd = ::dup(2);
        ::dup2(log.handle(), 2);
        w->terminationRequested();
        ::dup2(stderrFd, 2);
        ::close(stderrFd);
        QCOMPARE(endsWhileOpen, 1);
        QVERIFY(log.seek(0));
        const QByteArray said = log.readAll();
        QVERIFY2(said.contains(p->settings.location().toUtf8()) && said.contains("No space left"), said.constData());
    }

    // The main window becomes active again after another of the program's
    // windows (About, already gone by then; the shop window, in a process of
    // its own), with an alarm armed: Set Reminder goes off. A window that is
    // not one of them (as a message box) does not count.
    void activationAfterTheOtherWindows_data()
    {
        QTest::addColumn<QString>("via");
        QTest::addColumn<bool>("counts");
        QTest::newRow("About") << "About" << true;
        QTest::newRow("shop window") << "shop" << true;
        QTest::newRow("another window") << "other" << false;
    }
    void activationAfterTheOtherWindows()
    {
        QFETCH(QString, via);
        QFETCH(bool, counts);
        const auto activate = [](QWidget *window) {
            window->show();
            window->activateWindow();
            return QTest::qWaitForWindowActive(window);
        };
        start();
        QVERIFY(activate(w.get()));
        QTest::mouseClick(ui().CmdSet, Qt::LeftButton);
        if (via == QStringLiteral("About")) {
            w->MnuAbout_Click();
            QVERIFY(activate(w->loadedFrmAbout()));
            w->loadedFrmAbout()->cmdOK_Click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        } else {
            QWidget other;
            QVERIFY(activate(&other));
            if (via == QStringLiteral("shop"))
                p->shop.activated();
        }
        QVERIFY(activate(w.get()));
        QTRY_COMPARE(ui().cmdremset->isEnabled(), !counts);
    }

    void f10ReachesFullViewInTheClockView()
    {
        start();
        w->show();
        w->MnuClock_Click();
        FrmClock &view = w->frmclock();
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QTest::keyClick(view.windowHandle(), Qt::Key_F10);
        QTest::keyClick(view.windowHandle(), Qt::Key_Return);
        QTRY_VERIFY(w->isVisible());
        QVERIFY(!view.isVisible());
    }
};

QTEST_MAIN(TestFrmAlarmClock)
#include "tst_frmalarmclock.moc"
