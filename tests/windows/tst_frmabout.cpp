#include "fakes.h"
#include "frmabout.h"
#include "frmalarmclock.h"
#include "shoplink.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

// Controls by their design names, which a test thereby checks as well.
template<class T = QWidget>
T *control(QWidget *window, const char *name)
{
    T *found = window ? window->findChild<T *>(QLatin1String(name)) : nullptr;
    if (!found)
        qWarning("no control %s", name);
    return found;
}
QLabel *label(QWidget *w, const char *name) { return control<QLabel>(w, name); }
QPushButton *button(QWidget *w, const char *name) { return control<QPushButton>(w, name); }

} // namespace

class TstFrmAbout : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void menuOpensAboutWithLoadedTexts();
    void designPlaceFrameAndLook();
    void enterClosesIt();
    void escClosesIt();
    void okButtonClosesIt();
    void closeBoxClosesItAndSparesTheMainWindow();
    void reopeningLoadsAgain();
    void secondMenuClickKeepsTheOneWindow();
    void shopButtonDoesNothing();

private:
    FrmAbout *openAbout();
    static void processDeletions();
    static QList<FrmAbout *> aboutWindows();

    std::unique_ptr<FakePlatform> m_platform;
    std::unique_ptr<FrmAlarmClock> m_main;
};

void TstFrmAbout::init()
{
    m_platform = std::make_unique<FakePlatform>();
    m_main = std::make_unique<FrmAlarmClock>(m_platform->services());
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
}

void TstFrmAbout::cleanup()
{
    m_main.reset();
    processDeletions();
    QVERIFY(aboutWindows().isEmpty());
    m_platform.reset();
}

FrmAbout *TstFrmAbout::openAbout()
{
    m_main->MnuAbout_Click();
    FrmAbout *about = m_main->loadedFrmAbout();
    if (about && !QTest::qWaitForWindowExposed(about))
        qWarning("the About window was never exposed");
    return about;
}

void TstFrmAbout::processDeletions()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

QList<FrmAbout *> TstFrmAbout::aboutWindows()
{
    QList<FrmAbout *> found;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *about = qobject_cast<FrmAbout *>(w))
            found << about;
    return found;
}

void TstFrmAbout::menuOpensAboutWithLoadedTexts()
{
    QVERIFY(!m_main->loadedFrmAbout());
    FrmAbout *about = openAbout();
    QVERIFY(about);
    QVERIFY(about->isVisible());
    QCOMPARE(about->windowTitle(), QStringLiteral("About Belltide3"));
    QCOMPARE(label(about, "lblTitle")->text(), QStringLiteral("Belltide3"));
    QCOMPARE(label(about, "lblVersion")->text(), QStringLiteral("Version 3.0.0"));
    QVERIFY(label(about, "lblDescription")->text().startsWith(QStringLiteral("Another great program from Corvanta")));
    QVERIFY(!label(about, "lblDisclaimer")->text().isEmpty());

    // Modeless and without owner: the main window takes input meanwhile.
    QVERIFY(!about->isModal());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(about->parentWidget(), nullptr);
    QVERIFY(m_main->isEnabled());
}

void TstFrmAbout::designPlaceFrameAndLook()
{
    FrmAbout *about = openAbout();
    QVERIFY(about);

    // The client area at 2340, 1935 twips, 5730 x 3555 twips, not resizable.
    QCOMPARE(about->geometry(), QRect(156, 129, 382, 237));
    QCOMPARE(about->minimumSize(), about->maximumSize());
    const Qt::WindowFlags flags = about->windowFlags();
    QCOMPARE(flags & Qt::WindowType_Mask, Qt::Dialog);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!about->windowIcon().isNull());

    QVERIFY(button(about, "cmdOK")->isDefault());
    QCOMPARE(button(about, "cmdOK")->text(), QStringLiteral("OK"));
    QVERIFY(!button(about, "cmdOK")->icon().isNull());
    QCOMPARE(button(about, "Command1")->text(), Shop::buyFromCaption());
    QCOMPARE(button(about, "Command1")->geometry(), QRect(16, 208, 249, 25));
    QCOMPARE(button(about, "cmdOK")->geometry(), QRect(283, 184, 84, 31));

    const QColor highlight = about->palette().color(QPalette::Highlight);
    QCOMPARE(about->palette().color(QPalette::Window), highlight);
    for (const char *name : {"lblTitle", "lblVersion", "lblDescription", "lblDisclaimer"}) {
        QLabel *l = label(about, name);
        QVERIFY(l);
        QCOMPARE(l->palette().color(QPalette::WindowText), QColor(Qt::white));
        QVERIFY(l->font().bold());
        QCOMPARE(l->font().pointSizeF(), 9.75);
        QVERIFY(l->wordWrap());
        QVERIFY(!l->autoFillBackground());
    }
    QCOMPARE(control(about, "Shape1")->palette().color(QPalette::Window), QColor(0xff, 0xff, 0x80));
    QCOMPARE(control(about, "Shape2")->palette().color(QPalette::Window), QColor(0xff, 0xff, 0x80));

    // The etched rule: grey over the upper edge of a broader white line.
    QCOMPARE(control(about, "Line1_0")->palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(control(about, "Line1_1")->palette().color(QPalette::Window), QColor(0x80, 0x80, 0x80));
    const QImage shot = about->grab().toImage();
    const int x = 100;
    QCOMPARE(shot.pixelColor(x, 176), QColor(0x80, 0x80, 0x80));
    QCOMPARE(shot.pixelColor(x, 177), QColor(Qt::white));

    // The labels are transparent: the window's colour shows between letters.
    const QRect title = label(about, "lblTitle")->geometry();
    QCOMPARE(shot.pixelColor(title.right() - 2, title.bottom() - 2), highlight);
}

void TstFrmAbout::enterClosesIt()
{
    QPointer<FrmAbout> about = openAbout();
    QVERIFY(about);
    QTest::keyClick(about, Qt::Key_Return);
    QVERIFY(!about->isVisible());
    QCOMPARE(m_main->loadedFrmAbout(), nullptr);
    processDeletions();
    QVERIFY(about.isNull());

    about = openAbout();
    QTest::keyClick(about, Qt::Key_Enter, Qt::KeypadModifier);
    processDeletions();
    QVERIFY(about.isNull());
}

void TstFrmAbout::escClosesIt()
{
    QPointer<FrmAbout> about = openAbout();
    QVERIFY(about);
    // Esc presses the OK button, which therefore reports a click.
    QSignalSpy okClicks(button(about, "cmdOK"), &QPushButton::clicked);
    QTest::keyClick(about, Qt::Key_Escape);
    QCOMPARE(okClicks.count(), 1);
    QCOMPARE(m_main->loadedFrmAbout(), nullptr);
    processDeletions();
    QVERIFY(about.isNull());
}

void TstFrmAbout::okButtonClosesIt()
{
    QPointer<FrmAbout> about = openAbout();
    QVERIFY(about);
    QTest::mouseClick(button(about, "cmdOK"), Qt::LeftButton);
    QCOMPARE(m_main->loadedFrmAbout(), nullptr);
    processDeletions();
    QVERIFY(about.isNull());
}

void TstFrmAbout::closeBoxClosesItAndSparesTheMainWindow()
{
    QPointer<FrmAbout> about = openAbout();
    QVERIFY(about);
    const QRect mainGeometry = m_main->geometry();
    about->close();
    processDeletions();
    QVERIFY(about.isNull());
    QCOMPARE(m_main->loadedFrmAbout(), nullptr);
    QVERIFY(m_main->isVisible());
    QCOMPARE(m_main->geometry(), mainGeometry);
    QCOMPARE(m_platform->process.ends, 0);
    QVERIFY(m_platform->settings.saved.isEmpty());
}

void TstFrmAbout::reopeningLoadsAgain()
{
    QPointer<FrmAbout> first = openAbout();
    QVERIFY(first);
    // Spoil what the load wrote, so only a fresh load can put it back.
    first->setWindowTitle(QStringLiteral("stale"));
    label(first, "lblTitle")->setText(QStringLiteral("stale"));
    label(first, "lblVersion")->setText(QStringLiteral("stale"));
    first->cmdOK_Click();

    // Even before the old window is deleted, the menu builds a new one.
    FrmAbout *second = openAbout();
    QVERIFY(second);
    QVERIFY(second != first.data());
    QCOMPARE(second->windowTitle(), QStringLiteral("About Belltide3"));
    QCOMPARE(label(second, "lblTitle")->text(), QStringLiteral("Belltide3"));
    QCOMPARE(label(second, "lblVersion")->text(), QStringLiteral("Version 3.0.0"));
    processDeletions();
    QVERIFY(first.isNull());
    QCOMPARE(aboutWindows().size(), 1);
    QVERIFY(second->isVisible());
}

void TstFrmAbout::secondMenuClickKeepsTheOneWindow()
{
    FrmAbout *about = openAbout();
    QVERIFY(about);
    label(about, "lblVersion")->setText(QStringLiteral("not loaded again"));

    m_main->MnuAbout_Click();
    processDeletions();
    QCOMPARE(m_main->loadedFrmAbout(), about);
    QCOMPARE(aboutWindows().size(), 1);
    QVERIFY(about->isVisible());
    QCOMPARE(label(about, "lblVersion")->text(), QStringLiteral("not loaded again"));
}

void TstFrmAbout::shopButtonDoesNothing()
{
    FrmAbout *about = openAbout();
    QVERIFY(about);
    const int topLevels = QApplication::topLevelWidgets().size();
    QTest::mouseClick(button(about, "Command1"), Qt::LeftButton);
    button(about, "Command1")->click();
    processDeletions();
    QCOMPARE(m_main->loadedFrmAbout(), about);
    QVERIFY(about->isVisible());
    QCOMPARE(about->windowTitle(), QStringLiteral("About Belltide3"));
    QCOMPARE(m_platform->shop.shows, 0);
    QVERIFY(m_platform->shop.navigations.isEmpty());
    QCOMPARE(QApplication::topLevelWidgets().size(), topLevels);
}

QTEST_MAIN(TstFrmAbout)
#include "tst_frmabout.moc"
