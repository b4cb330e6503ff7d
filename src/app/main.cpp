#include "applicationid.h"
#include "displayloss.h"
#include "frmalarmclock.h"
#include "frmclock.h"
#include "fontwarmup.h"
#include "inisettingsstore.h"
#include "processshopwindow.h"
#include "qthelplauncher.h"
#include "lazymediaplayer.h"
#include "dialogs.h"
#include "processend.h"
#include "programend.h"
#include "sessionend.h"
#include "reminderfile.h"
#include "singleinstance.h"
#include "unixsignals.h"
#include "windowactivation.h"

#include "clock.h"
#include "dbussleepguard.h"
#include "portalsessionmonitor.h"
#include "systemdwakealarm.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

int main(int argc, char *argv[])
{
    // Taken before Qt's X11 plugin removes it from the environment.
    const QByteArray activationToken = launchActivationToken();
    adoptApplicationId();
    FontConfigWarmUp fonts;
    QApplication app(argc, argv);
    // Nothing below may touch fontconfig while it reads its configuration.
    fonts.wait();
    // The program ends through its main window only; a message box or the
    // clock-only view closing must never end it.
    app.setQuitOnLastWindowClosed(false);
    QApplication::setFont(FrmAlarmClock::defaultFont());

    const QString settingsFile = IniSettingsStore::defaultFilePath();
    SingleInstance instance(QStringLiteral("belltide"), settingsFile);
    if (instance.claim(activationToken) != SingleInstance::Claim::Mine)
        return 0;

    const QString appDir = QDir::cleanPath(QCoreApplication::applicationDirPath());
    const QString userDataDir =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/belltide");

    SystemClock clock;
    IniSettingsStore settings(settingsFile);
    LazyMediaPlayer player(appDir + QStringLiteral("/libbelltide-media.so"));
    QtFileDialog fileDialog(QStringLiteral("Open"),
                            QStringLiteral("mp3(*.mp3)|*.mp3|Wave(*.Wav)|*.Wav|WindowsMediaPlayer(*.wma)|*.wma"));
    QtMessageBox messageBox;
    QtHelpLauncher help;
    // Declared before the main window so that it outlives it: the web view
    // window goes away after the program's own windows.
    ProcessShopWindow shop(appDir + QStringLiteral("/belltide-web"));
    QtProcessControl process;
    // Declared before the main window: what the alarm asked of the desktop
    // is ended when the window goes, and these wait for the answers.
    DBusSleepGuard sleepGuard;
    SystemdWakeAlarm wakeAlarm;

    FrmAlarmClock frmAlarmClock(Services{clock, settings, player, fileDialog, messageBox, help, shop, process,
                                         sleepGuard, wakeAlarm,
                                         appDir, ReminderFile::location(appDir, userDataDir),
                                         ReminderFile::otherLocation(appDir, userDataDir)});
    messageBox.setParent(&frmAlarmClock);
    fileDialog.setParent(&frmAlarmClock);

    QObject::connect(&instance, &SingleInstance::activationRequested, &frmAlarmClock,
                     [&](const QByteArray &token, const QStringList &) {
                         QWidget *shown = frmAlarmClock.isVisible() || !frmAlarmClock.frmclockLoaded()
                                              ? static_cast<QWidget *>(&frmAlarmClock)
                                              : static_cast<QWidget *>(&frmAlarmClock.frmclock());
                         bringToFront(shown, token);
                     });

    // Every end of the session leaves the way closing the window does.
    ProgramEnd &end = frmAlarmClock.programEnd();
    UnixSignals unixSignals;
    QObject::connect(&unixSignals, &UnixSignals::terminationRequested, &end, &ProgramEnd::terminationRequested);
    SessionEnd sessionEnd;
    QObject::connect(&sessionEnd, &SessionEnd::ending, &end, &ProgramEnd::sessionEnding);
    PortalSessionMonitor sessionMonitor;
    QObject::connect(&sessionMonitor, &PortalSessionMonitor::ending, &end, &ProgramEnd::sessionEnding);
    DisplayLoss displayLoss;
    QObject::connect(&displayLoss, &DisplayLoss::lost, &end, &ProgramEnd::displayLost, Qt::DirectConnection);

    frmAlarmClock.Form_Load();
    frmAlarmClock.show();
    const int status = app.exec();
    // The settings are saved: a new start may take over at once, while the web
    // view helper is still on its way out.
    instance.release();
    return status;
}
