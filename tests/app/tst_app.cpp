#include "fakes.h"
#include "frmclock.h"
#include "monthcalendar.h"
#include "frmabout.h"
#include "shoplink.h"
#include "displayloss.h"

#include <QSignalSpy>

#include <QDir>
#include <QTemporaryFile>

#include <unistd.h>

using namespace Qt::StringLiterals;


// Start-up, exit and the saved settings, folding, the view switch and the
// single running copy, through the real main window.
class TestApp : public QObject
{
    Q_OBJECT
    std::unique_ptr<Program> b;

private slots:
    void init() { b = std::make_unique<Program>(); }
    void cleanup() { b.reset(); }

    void aStartRestoresAndArms_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("music");
        QTest::addColumn<bool>("armed");
        const QByteArray s = "[Corvanta\\lastsettings]\n";
        QTest::newRow("first run") << QByteArray() << "" << "" << false;
        QTest::newRow("time and music") << s + "timealarm=\"7:30\"\nAlarmMusic=\" /m/a song.mp3\"\n"
                                        << "7:30" << " /m/a song.mp3" << true;
        QTest::newRow("music only") << s + "AlarmMusic=\"/m/a.mp3\"\n" << "" << "/m/a.mp3" << false;
        QTest::newRow("blanks only") << s + "timealarm=\"   \"\n" << "   " << "" << true;
        QTest::newRow("passed marker") << s + "timealarm=\"7:30 Has Passed\"\n" << "7:30 Has Passed" << "" << true;
        const QByteArray otherCase("[CORVANTA\\LastSettings]\nTIMEALARM=\"7:30\"\n");
        QTest::newRow("names in other case") << otherCase << "7:30" << "" << true;
        const QByteArray long7(40000, '7');
        QTest::newRow("long text") << s + "timealarm=\"" + long7 + "\"\n" << QString::fromLatin1(long7) << "" << true;
    }
    void aStartRestoresAndArms() {
        QFETCH(QByteArray, file);
        QFETCH(QString, time);
        QFETCH(QString, music);
        QFETCH(bool, armed);
        if (!file.isEmpty())
            FakePlatform::write(b->p.settingsFile(), file);
        b->p.clock.t = QDateTime(QDate(2027, 2, 28), QTime(7, 29, 0));
        b->start();
        QCOMPARE(b->ui().TxtTime->text(), time);
        QCOMPARE(b->ui().Txtfile->text(), music);
        QCOMPARE(b->armed(), armed);
        QCOMPARE(b->ui().CmdSet->isEnabled(), !armed);
        QCOMPARE(b->ui().Calendar1->selectedDate(), QDate(2027, 2, 28));
        QCOMPARE(b->timer("Timer1")->interval(), 100);
        QCOMPARE(b->p.sleep.held, time == QStringLiteral("7:30") ? 1 : 0); // kept awake for a restored alarm
        QCOMPARE(b->p.wake.wakes.size(), b->p.sleep.held);
        QVERIFY(b->w->width() < FrmAlarmClock::kUnfoldedWidth);
        b->tickAt(QTime(7, 30, 0));
        QCOMPARE(b->p.player.started.size(), time == QStringLiteral("7:30") ? 1 : 0);
    }

    // The five values, in their order and under their names (or the names as
    // the file spells them), once per run.
    void exitSavesFiveValuesAndEnds_data() {
        QTest::addColumn<bool>("byMenu");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("first run, File > Exit") << true << QByteArray()
            << QByteArray("[Corvanta\\lastsettings]\nremyear=\"\"\nremmonth=\"\"\nremday=\"\"\ntimealarm=\"6:45\"\n"
                          "AlarmMusic=\"/new/a \\\"b\\\" \\\\c.wma\"\n");
        const QByteArray restored("[corvanta\\LastSettings]\nremyear=\" 2026\"\nremmonth=\" 5\"\nremday=\" 9\"\n"
                                  "TimeAlarm=\"6:00\"\nAlarmMusic=\"/m.mp3\"\n");
        QTest::newRow("quiet run, names in other case, close box") << false << restored << restored;
    }
    void exitSavesFiveValuesAndEnds() {
        QFETCH(bool, byMenu);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        if (!before.isEmpty())
            FakePlatform::write(b->p.settingsFile(), before);
        b->start();
        if (before.isEmpty()) {
            b->ui().TxtTime->setText(QStringLiteral("6:45"));
            b->ui().Txtfile->setText(QStringLiteral("/new/a \"b\" \\c.wma"));
        }
        if (byMenu)
            b->ui().MnuExit->trigger();
        else
            b->w->close();
        b->w->close(); // the process is on its way out: nothing more is saved
        QCOMPARE(FakePlatform::bytes(b->p.settingsFile()), after);
        QCOMPARE(b->p.process.ends, 1);
        QVERIFY(b->p.messageBox.shown.isEmpty());
    }

    // A failed save is said and logged before the end; a second SIGTERM (at
    // logout) while the warning is open ends the program at once, and the
    // alarm's inhibition and wake with it.
    void aFailedSaveIsReportedBeforeTheEnd() {
        QVERIFY(QDir().mkpath(b->p.settingsFile())); // a folder in the file's place
        b->start();
        b->arm(QStringLiteral("5:15"));
        int endsWhileOpen = -1, leftWhileOpen = -1;
        b->p.messageBox.whileOpen = [&] {
            b->w->terminationRequested();
            endsWhileOpen = b->p.process.ends;
            leftWhileOpen = b->p.sleep.held + int(b->p.wake.wakes.size());
        };
        const QByteArray said = stderrOf([&] { b->w->terminationRequested(); });
        QCOMPARE(b->p.messageBox.shown.size(), 1);
        QVERIFY(b->p.messageBox.shown[0].contains(b->p.settingsFile()));
        QCOMPARE(endsWhileOpen, 1);
        QCOMPARE(leftWhileOpen, 0);
        QVERIFY(said.contains(b->p.settingsFile().toUtf8()));
    }

    // Once the exit has begun nothing ticks: while its warning waits, no
    // timer runs, so the display stands still and no alarm goes off.
    void nothingRunsWhileTheExitWarns() {
        QVERIFY(QDir().mkpath(b->p.settingsFile())); // the save fails: a warning
        b->start();
        b->arm(QStringLiteral("7:30"));
        QStringList running;
        b->p.messageBox.whileOpen = [&] {
            for (const char *name : {"Timer1", "Timer2", "Timer3"}) {
                if (b->timer(name)->isEnabled())
                    running << QLatin1String(name);
            }
        };
        b->ui().MnuExit->trigger();
        QCOMPARE(b->p.messageBox.shown.size(), 1);
        QCOMPARE(running, QStringList());
        QCOMPARE(b->p.process.ends, 1);
    }

    // The hidden main window keeps ticking and firing; every way back shows it.
    void theClockOnlyView() {
        b->start();
        b->w->show();
        b->arm(QStringLiteral("7:31"));
        b->ui().MnuClock->trigger();
        FrmClock &view = b->w->frmclock();
        QVERIFY(view.isVisible() && !b->w->isVisible());
        b->tickAt(QTime(7, 31, 5));
        QCOMPARE(b->p.player.started.size(), 1);
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QTest::keyClick(view.windowHandle(), Qt::Key_F10); // its one menu command: Full View
        QTest::keyClick(view.windowHandle(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(b->w->isVisible() && !view.isVisible(), 5000);
        b->ui().MnuClock->trigger();
        view.close();
        QVERIFY(b->w->isVisible());
        b->ui().MnuClock->trigger();
        b->ui().MnuAlarm->trigger();
        QVERIFY(b->w->isVisible() && !view.isVisible());
        QCOMPARE(b->p.process.ends, 0);
        QVERIFY(b->armed());
    }

    // Coming back to the main window from another of the program's windows
    // (the shop's window lives in a process of its own) is an activation:
    // with an alarm armed, Set Reminder goes off. Another window does not count.
    void activationAfterTheOtherWindows_data() {
        QTest::addColumn<QString>("via");
        for (const char *via : {"clock view", "About", "shop window", "another window"})
            QTest::newRow(via) << QString::fromLatin1(via);
    }
    void activationAfterTheOtherWindows() {
        QFETCH(QString, via);
        const auto activate = [](QWidget *window) {
            window->show();
            window->activateWindow();
            return QTest::qWaitForWindowActive(window);
        };
        b->start();
        QVERIFY(activate(b->w.get()));
        QTest::mouseClick(b->ui().CmdSet, Qt::LeftButton);
        QVERIFY(b->ui().cmdremset->isEnabled()); // arming alone does not touch it
        QWidget other;
        if (via == u"clock view") {
            b->w->MnuClock_Click();
            QVERIFY(activate(&b->w->frmclock()));
            b->w->frmclock().MnuFull_Click();
        } else if (via == u"About") {
            b->w->MnuAbout_Click();
            QVERIFY(activate(b->w->loadedFrmAbout()));
            b->w->loadedFrmAbout()->cmdOK_Click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // gone before the return
        } else {
            QVERIFY(activate(&other));
            if (via == u"shop window")
                b->p.shop.activated();
        }
        QVERIFY(activate(b->w.get()));
        QTRY_COMPARE_WITH_TIMEOUT(b->ui().cmdremset->isEnabled(), via == u"another window", 5000);
    }

    // The display goes away under the program: the values of that moment are
    // saved once, a failed save is said on stderr only (no window is left),
    // and an exit already on its way saves nothing more.
    void aLostDisplaySavesOnce_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("exitBegun");
        QTest::addColumn<bool>("storeBroken");
        QTest::addColumn<int>("saves");
        const QString wayland = u"The Wayland connection broke. Did the Wayland compositor die?"_s;
        const QString waylandError = u"The Wayland connection experienced a fatal error: Protocol error"_s;
        const QString x11 = u"The X11 connection broke (error 1). Did the X11 server die?"_s;
        QTest::newRow("Wayland") << wayland << false << false << 1;
        QTest::newRow("Wayland error") << waylandError << false << false << 1;
        QTest::newRow("X11") << x11 << false << false << 1;
        QTest::newRow("failed save") << x11 << false << true << 0;
        QTest::newRow("exit begun") << x11 << true << false << 0;
        QTest::newRow("another warning") << "QWidget::setGeometry: Unable to set geometry" << false << false << 0;
    }
    void aLostDisplaySavesOnce() {
        QFETCH(QString, message);
        QFETCH(bool, exitBegun);
        QFETCH(bool, storeBroken);
        QFETCH(int, saves);
        if (storeBroken)
            QVERIFY(QDir().mkpath(b->p.settingsFile()));
        b->start();
        b->ui().TxtTime->setText(QStringLiteral("5:15"));
        b->w->alarm().CmdSet_Click();
        if (exitBegun) {
            b->w->terminationRequested();
            b->p.process.ends = 0;
            QFile::remove(b->p.settingsFile());
        }
        DisplayLoss loss;
        QObject::connect(&loss, &DisplayLoss::lost, b->w.get(), &FrmAlarmClock::displayLost);
        qWarning("%s", qPrintable(message));
        qWarning("%s", qPrintable(message));
        QCOMPARE(FakePlatform::bytes(b->p.settingsFile()).count("timealarm=\"5:15\""), saves);
        QCOMPARE(b->p.process.ends, exitBegun || message.startsWith(QLatin1String("QWidget")) ? 0 : 1);
        QVERIFY(b->p.messageBox.shown.isEmpty());
        // Nothing the alarm asked of the desktop outlives the program.
        QCOMPARE(b->p.sleep.held, message.startsWith(QLatin1String("QWidget")) ? 1 : 0);
        QCOMPARE(b->p.wake.wakes.size(), message.startsWith(QLatin1String("QWidget")) ? 1 : 0);
    }

    void everyShopButtonOpensTheShop() {
        b->start();
        QTest::mouseClick(b->ui().Command1, Qt::LeftButton);
        QTest::mouseClick(b->ui().Command2, Qt::LeftButton);
        QTest::mouseClick(b->w->frmclock().findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
        QCOMPARE(b->p.shop.shows, 3);
        const QUrl shop(u"http://www.quire.example/exec/obidos/redirect-home/corvanta-20"_s);
        QCOMPARE(b->p.shop.navigations, QList<QUrl>(3, shop));
    }

};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
