#include "fakes.h"
#include "frmalarmclock.h"
#include "frmhelp.h"
#include "qthelplauncher.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// What a test can see of the program's windows from outside.
struct WindowsSnapshot
{
    QList<QWidget *> visible;
    QRect mainGeometry;
    QString mainTitle;
    bool operator==(const WindowsSnapshot &) const = default;
};

WindowsSnapshot snapshot(const FrmAlarmClock &main)
{
    WindowsSnapshot s;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            s.visible << w;
    s.mainGeometry = main.geometry();
    s.mainTitle = main.windowTitle();
    return s;
}

// A stand-in viewer: writes the number of its arguments, then each on a line
// of its own, into args.txt beside itself (whole, by a rename).
QString writeStandInViewer(const QString &folder)
{
    const QString path = folder + QStringLiteral("/viewer.sh");
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly))
        return {};
    script.write("#!/bin/sh\n"
                 "out=\"$(dirname \"$0\")/args\"\n"
                 "{ echo \"$#\"; for a in \"$@\"; do echo \"$a\"; done; } > \"$out.tmp\" && mv \"$out.tmp\" \"$out.txt\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QStringList recordedArguments(const QString &folder)
{
    QFile file(folder + QStringLiteral("/args.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    if (lines.value(lines.size() - 1).isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class TstHelp : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void howToHandsTheHelpFileToTheViewer_data();
    void howToHandsTheHelpFileToTheViewer();
    void howToTwiceReusesOneHiddenFrmhelp();
    void frmhelpCarriesCommonDialog1();

    void qtLauncherStartsTheViewerWithFileCommandAndKey();
    void qtLauncherFindsTheViewerBesideTheProgram();
    void missingViewerIsPassedOverInSilence();
    void howToThroughTheQtLauncher();

private:
    QString helpPath() const { return m_platform->appDir.path() + QStringLiteral("/HELP FOR BELLTIDE.HLP"); }

    std::unique_ptr<FakePlatform> m_platform;
    std::unique_ptr<FrmAlarmClock> m_main;
};

void TstHelp::init()
{
    m_platform = std::make_unique<FakePlatform>();
    m_main = std::make_unique<FrmAlarmClock>(m_platform->services());
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
}

void TstHelp::cleanup()
{
    m_main.reset();
    m_platform.reset();
}

void TstHelp::howToHandsTheHelpFileToTheViewer_data()
{
    QTest::addColumn<bool>("filePresent");
    QTest::newRow("help file present") << true;
    QTest::newRow("help file absent") << false;
}

void TstHelp::howToHandsTheHelpFileToTheViewer()
{
    QFETCH(bool, filePresent);
    if (filePresent) {
        QFile file(helpPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<html><body>help</body></html>");
    }
    const WindowsSnapshot before = snapshot(*m_main);

    m_main->MnuHow_Click();
    QCoreApplication::processEvents();

    QCOMPARE(m_platform->help.calls.size(), 1);
    const FakeHelpLauncher::Call call = m_platform->help.calls.constFirst();
    QCOMPARE(call.file, helpPath());
    QCOMPARE(call.key, QString());
    QCOMPARE(call.command, 257);

    // Nothing of the program's own changes, file or no file.
    QVERIFY(m_platform->messageBox.shown.isEmpty());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QVERIFY(snapshot(*m_main) == before);
    QVERIFY(m_main->loadedFrmhelp());
    QVERIFY(!m_main->loadedFrmhelp()->isVisible());
}

void TstHelp::howToTwiceReusesOneHiddenFrmhelp()
{
    QCOMPARE(m_main->loadedFrmhelp(), nullptr);
    const WindowsSnapshot before = snapshot(*m_main);

    m_main->MnuHow_Click();
    QPointer<FrmHelp> first = m_main->loadedFrmhelp();
    CommonDialog *dialog = &first->CommonDialog1();
    m_main->MnuHow_Click();
    QCoreApplication::processEvents();

    QVERIFY(first);
    QCOMPARE(m_main->loadedFrmhelp(), first.data());
    QCOMPARE(&m_main->loadedFrmhelp()->CommonDialog1(), dialog);
    int frmhelps = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        frmhelps += qobject_cast<FrmHelp *>(w) != nullptr;
    QCOMPARE(frmhelps, 1);
    QVERIFY(!first->isVisible());
    QVERIFY(snapshot(*m_main) == before);

    QCOMPARE(m_platform->help.calls.size(), 2);
    for (const FakeHelpLauncher::Call &call : std::as_const(m_platform->help.calls)) {
        QCOMPARE(call.file, helpPath());
        QCOMPARE(call.key, QString());
        QCOMPARE(call.command, 257);
    }

    // It stays until the main window goes.
    m_main.reset();
    QVERIFY(first.isNull());
}

void TstHelp::frmhelpCarriesCommonDialog1()
{
    m_main->MnuHow_Click();
    FrmHelp *form = m_main->loadedFrmhelp();
    QVERIFY(form);
    QCOMPARE(form->objectName(), QStringLiteral("frmhelp"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Help"));
    QObject *dialog = form->findChild<QObject *>(QStringLiteral("CommonDialog1"));
    QVERIFY(dialog);
    QCOMPARE(dialog->property("HelpFile").toString(), helpPath());
    QCOMPARE(dialog->property("HelpKey").toString(), QString());
    QCOMPARE(dialog->property("HelpCommand").toInt(), 257);

    // The component hands over whatever it holds when ShowHelp runs.
    QVERIFY(dialog->setProperty("HelpKey", QStringLiteral("Stop")));
    QVERIFY(dialog->setProperty("HelpCommand", 3));
    form->CommonDialog1().ShowHelp();
    QCOMPARE(m_platform->help.calls.size(), 2);
    QCOMPARE(m_platform->help.calls.last().key, QStringLiteral("Stop"));
    QCOMPARE(m_platform->help.calls.last().command, 3);
}

void TstHelp::qtLauncherStartsTheViewerWithFileCommandAndKey()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString viewer = writeStandInViewer(folder.path());
    QVERIFY(!viewer.isEmpty());

    QtHelpLauncher launcher(viewer);
    const QString file = folder.path() + QStringLiteral("/HELP FOR BELLTIDE.HLP");
    launcher.showHelp(file, QString(), 257);
    QVERIFY(launcher.lastStarted());

    // The viewer runs on its own; wait for what it wrote.
    QTRY_COMPARE_WITH_TIMEOUT(recordedArguments(folder.path()).size(), 4, 20000);
    QCOMPARE(recordedArguments(folder.path()), (QStringList{QStringLiteral("3"), file, QStringLiteral("257"), QString()}));
}

void TstHelp::qtLauncherFindsTheViewerBesideTheProgram()
{
    QCOMPARE(QtHelpLauncher().viewerProgram(), QCoreApplication::applicationDirPath() + QStringLiteral("/belltide-help"));
}

void TstHelp::missingViewerIsPassedOverInSilence()
{
    QTemporaryDir folder;
    QtHelpLauncher launcher(folder.path() + QStringLiteral("/no-such-viewer"));
    const auto visibleWindows = [] {
        QWidgetList shown;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible())
                shown << w;
        return shown;
    };
    const QWidgetList windows = visibleWindows();
    launcher.showHelp(folder.path() + QStringLiteral("/HELP FOR BELLTIDE.HLP"), QString(), 257);
    QCoreApplication::processEvents();
    QVERIFY(!launcher.lastStarted());
    QCOMPARE(visibleWindows(), windows);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

void TstHelp::howToThroughTheQtLauncher()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QtHelpLauncher launcher(writeStandInViewer(folder.path()));
    FakePlatform &p = *m_platform;
    FrmAlarmClock main(Services{p.clock, p.settings, p.player, p.fileDialog, p.messageBox, launcher, p.shop,
                                p.process, p.appDir.path(), p.reminderFile()});
    main.MnuHow_Click();
    QTRY_COMPARE_WITH_TIMEOUT(recordedArguments(folder.path()).size(), 4, 20000);
    QCOMPARE(recordedArguments(folder.path()),
             (QStringList{QStringLiteral("3"), helpPath(), QStringLiteral("257"), QString()}));
}

QTEST_MAIN(TstHelp)
#include "tst_help.moc"
