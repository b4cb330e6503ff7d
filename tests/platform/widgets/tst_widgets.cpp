#include "fakes.h"
#include "frmabout.h"
#include "frmclock.h"
#include "nomaximize.h"

// Windows as a window manager treats them (openbox, on the private desktop):
// framed and maximized on request. Moved about: e2e_mutter's trips.
class TestWidgets : public QObject
{
    Q_OBJECT

private slots:
    // Once the window manager has framed it, the folded main window takes the
    // outer width of the design: the left column whole, nothing of the
    // reminder panel. Unfolding and folding go between the two widths.
    // Windows designed without a maximize button do not maximize on request.
    void framedFoldedAndNeverMaximized() {
        Program b;
        b.start();
        b.w->show();
        QVERIFY(QTest::qWaitForWindowExposed(b.w.get()));
        QTRY_VERIFY_WITH_TIMEOUT(b.w->frameGeometry().width() > b.w->width(), 10000);
        QCOMPARE(b.w->frameGeometry().width(), 237);
        const int folded = b.w->width();
        QVERIFY(b.ui().cmdRem->geometry().right() < folded && b.ui().Calendar1->x() >= folded);
        QTest::mouseClick(b.ui().cmdRem, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(b.w->width(), FrmAlarmClock::kUnfoldedWidth, 5000);
        QTest::mouseClick(b.ui().CmdIn, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(b.w->width(), folded, 5000);

        b.w->MnuAbout_Click();
        for (QWidget *w : QList<QWidget *>{b.w.get(), &b.w->frmclock(), b.w->loadedFrmAbout()}) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            const QSize size = w->size();
            w->showMaximized();
            QTRY_VERIFY2_WITH_TIMEOUT(!(w->windowState() & Qt::WindowMaximized), qPrintable(w->objectName()), 5000);
            QTRY_COMPARE_WITH_TIMEOUT(w->size(), size, 5000);
        }
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
