#include "fakes.h"
#include "frmclock.h"
#include "monthcalendar.h"
#include "frmabout.h"
#include "shoplink.h"
#include "nomaximize.h"
#include "singleinstance.h"

#include <QSignalSpy>
#include <sys/socket.h>
#include <sys/un.h>

#include <QDir>
#include <QTemporaryFile>

#include <unistd.h>

using namespace Qt::StringLiterals;


// Start-up and the saved settings, folding, the view switch and the
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

    void foldingKeepsTheLeftColumn() {
        b->start();
        b->w->show();
        QVERIFY(QTest::qWaitForWindowExposed(b->w.get()));
        const int folded = b->w->width();
        QTest::mouseClick(b->ui().cmdRem, Qt::LeftButton);
        QCOMPARE(b->w->width(), FrmAlarmClock::kUnfoldedWidth);
        QTest::mouseClick(b->ui().CmdIn, Qt::LeftButton);
        QCOMPARE(b->w->width(), folded);
        const Ui::FrmAlarmClock &ui = b->ui();
        for (QWidget *shown : QList<QWidget *>{ui.txttimetot, ui.Txtfile, ui.CmdReset, ui.cmdRem})
            QVERIFY2(shown->geometry().right() < folded, qPrintable(shown->objectName()));
        for (QWidget *hidden : QList<QWidget *>{ui.Calendar1, ui.TxtRem, ui.cmdremset})
            QVERIFY2(hidden->geometry().left() >= folded, qPrintable(hidden->objectName()));
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
        QCOMPARE(view.txttimetot()->text() + view.txttimetot2()->text(), QStringLiteral("7:31:05"));
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
        QTest::newRow("clock view") << "clock";
        QTest::newRow("About") << "About";
        QTest::newRow("shop window") << "shop";
        QTest::newRow("another window") << "other";
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
        if (via == QStringLiteral("clock")) {
            b->w->MnuClock_Click();
            QVERIFY(activate(&b->w->frmclock()));
            b->w->frmclock().MnuFull_Click();
        } else if (via == QStringLiteral("About")) {
            b->w->MnuAbout_Click();
            QVERIFY(activate(b->w->loadedFrmAbout()));
            b->w->loadedFrmAbout()->cmdOK_Click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        } else {
            QVERIFY(activate(&other));
            if (via == QStringLiteral("shop"))
                b->p.shop.activated();
        }
        QVERIFY(activate(b->w.get()));
        QTRY_COMPARE_WITH_TIMEOUT(b->ui().cmdremset->isEnabled(), via == QStringLiteral("other"), 5000);
    }

    // A second start hands its activation token over; what cannot be a token
    // (a blank, a control character, over 4096 bytes) is dropped, a copy that
    // says nothing still brings the first forward, and one that stalls holds
    // up nothing (the clock keeps its second).
    void aSecondStartHandsItsTokenOver_data() {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("received");
        const QByteArray wayland("3f5ae8b9-15c9-4aca-ae7f-4d7035410a3e_TIME0");
        const QByteArray x11("launcher/belltide/1234-0-host_TIME5678");
        QTest::newRow("Wayland token") << "raise " + wayland + '\n' << wayland;
        QTest::newRow("X11 startup id") << "raise " + x11 + '\n' << x11;
        QTest::newRow("no token") << QByteArray("raise \n") << QByteArray();
        QTest::newRow("older copy") << QByteArray("raise\n") << QByteArray();
        QTest::newRow("silent copy") << QByteArray() << QByteArray();
        QTest::newRow("escape sequence") << QByteArray("raise a\x1b]0;x\n") << QByteArray();
        QTest::newRow("blank inside") << QByteArray("raise a b\n") << QByteArray();
        QTest::newRow("over-long") << "raise " + QByteArray(4097, 'a') + '\n' << QByteArray();
        QTest::newRow("over-long, another writer") << "raise " + QByteArray(4097, 'a') << QByteArray();
        QTest::newRow("a copy that stalls") << QByteArray("stall") << QByteArray("after-the-stalled-one");
    }
    void aSecondStartHandsItsTokenOver() {
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, received);
        qputenv("XDG_RUNTIME_DIR", b->p.appDir.path().toUtf8());
        SingleInstance first(b->p.settingsFile());
        QVERIFY(first.claim());
        QSignalSpy raised(&first, &SingleInstance::activationRequested);
        int stalled = -1;
        if (sent.startsWith("raise ") && sent.endsWith('\n')) {
            QVERIFY(!SingleInstance(b->p.settingsFile()).claim(sent.mid(6).chopped(1)));
        } else {
            // Another writer on the socket, byte for byte.
            QDir run(b->p.appDir.path());
            const QStringList sockets = run.entryList({QStringLiteral("belltide-*.socket")}, QDir::System);
            QCOMPARE(sockets.size(), 1);
            sockaddr_un address = {};
            address.sun_family = AF_UNIX;
            const QByteArray name = QFile::encodeName(run.filePath(sockets[0]));
            std::memcpy(address.sun_path, name.constData(), name.size());
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            QCOMPARE(::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
            if (sent == "stall") { // says nothing, and stays: the copy after it is answered first
                stalled = fd;
                QVERIFY(!SingleInstance(b->p.settingsFile()).claim(received));
            } else {
                QCOMPARE(::send(fd, sent.constData(), sent.size(), 0), ssize_t(sent.size()));
                ::close(fd);
            }
        }
        QTRY_VERIFY_WITH_TIMEOUT(raised.size() >= 1, 10000);
        QCOMPARE(raised[0][0].toByteArray(), received);
        if (stalled >= 0)
            ::close(stalled);
        first.release(); // saved and still ending: the next copy may start
        QVERIFY(SingleInstance(b->p.settingsFile()).claim());
    }

    // Designed without a maximize button: asking to maximize changes nothing.
    void noMaximize() {
        b->start();
        b->w->MnuAbout_Click();
        for (QWidget *w : QList<QWidget *>{b->w.get(), &b->w->frmclock(), b->w->loadedFrmAbout()}) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            const QSize size = w->size();
            w->showMaximized();
            QTRY_VERIFY2_WITH_TIMEOUT(!(w->windowState() & Qt::WindowMaximized), qPrintable(w->objectName()), 5000);
            QTRY_COMPARE_WITH_TIMEOUT(w->size(), size, 5000);
        }
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
