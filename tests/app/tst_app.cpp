#include "fakes.h"
#include "frmclock.h"
#include "monthcalendar.h"
#include "frmabout.h"
#include "shoplink.h"

using namespace Qt::StringLiterals;

// Start-up with the saved settings, the clock-only view, activation among the
// program's windows and the shop buttons, through the real main window.
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
        QTest::newRow("passed marker") << s + "timealarm=\"7:30 Has Passed\"\n" << "7:30 Has Passed" << "" << true;
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
        QCOMPARE(b->ui().Calendar1->selectedDate(), QDate(2027, 2, 28));
        QCOMPARE(b->timer("Timer1")->interval(), 100);
        QCOMPARE(b->p.sleep.held, time == u"7:30"_s ? 1 : 0); // kept awake for a restored alarm
        QCOMPARE(b->p.wake.wakes.size(), b->p.sleep.held);
        QVERIFY(b->w->width() < FrmAlarmClock::kUnfoldedWidth);
        b->tickAt(QTime(7, 30, 0));
        QCOMPARE(b->p.player.started.size(), time == u"7:30"_s ? 1 : 0);
    }

    // The hidden main window keeps ticking and firing; Full View and the close box bring it back.
    void theClockOnlyView() {
        b->start();
        b->w->show();
        b->arm(u"7:31"_s);
        b->ui().MnuClock->trigger();
        FrmClock &view = b->w->frmclock();
        QVERIFY(view.isVisible() && !b->w->isVisible());
        b->tickAt(QTime(7, 31, 5));
        QCOMPARE(b->p.player.started.size(), 1);
        view.MnuFull_Click();
        QVERIFY(b->w->isVisible() && !view.isVisible());
        b->ui().MnuClock->trigger();
        view.close();
        QVERIFY(b->w->isVisible());
        QCOMPARE(b->p.process.ends, 0);
        QVERIFY(b->armed());
    }

    // Coming back to the main window from another of the program's windows is
    // an activation: with an alarm armed, Set Reminder goes off. Another
    // window does not count.
    void activationAfterTheOtherWindows() {
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
        QVERIFY(activate(&other));
        QVERIFY(activate(b->w.get()));
        QVERIFY(b->ui().cmdremset->isEnabled()); // the focus change has been handled: not an activation
        b->w->MnuClock_Click();
        QVERIFY(activate(&b->w->frmclock()));
        b->w->frmclock().MnuFull_Click();
        QVERIFY(activate(b->w.get()));
        QTRY_VERIFY_WITH_TIMEOUT(!b->ui().cmdremset->isEnabled(), 5000);
    }

    void everyShopButtonOpensTheShop() {
        b->start();
        QTest::mouseClick(b->ui().Command1, Qt::LeftButton);
        QTest::mouseClick(b->ui().Command2, Qt::LeftButton);
        QTest::mouseClick(b->w->frmclock().findChild<QPushButton *>(u"Command1"_s), Qt::LeftButton);
        QCOMPARE(b->p.shop.shows, 3);
        const QUrl shop(u"http://www.quire.example/exec/obidos/redirect-home/corvanta-20"_s);
        QCOMPARE(b->p.shop.navigations, QList<QUrl>(3, shop));
    }

};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
