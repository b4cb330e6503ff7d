#pragma once

// Fakes for the platform seams: they record what the program asked of them and
// answer what the test primed. Settings go to a real store in a temporary
// folder, so tests see the file a user would.

#include "clock.h"
#include "filedialog.h"
#include "helplauncher.h"
#include "inisettingsstore.h"
#include "mediaplayer.h"
#include "messagebox.h"
#include "processcontrol.h"
#include "services.h"
#include "shopwindow.h"
#include "sleepguard.h"
#include "wakealarm.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <optional>

struct FakeClock final : Clock
{
    QDateTime now() const override { ++reads; return t; }
    QDateTime t{QDate(2026, 5, 7), QTime(7, 29, 58)};
    mutable int reads = 0;
};

struct FakeMediaPlayer final : MediaPlayer
{
    void setFileName(const QString &path) override { started.append(path); playing = true; }
    QString fileName() const override { return started.value(started.size() - 1); }
    void stop() override { ++stops; playing = false; }
    bool isPlaying() const override { return playing; }
    QStringList started;
    int stops = 0;
    bool playing = false; // a test ends the sound by setting it false
};

struct FakeFileDialog final : FileDialog
{
    std::optional<QString> next; // the path to choose, or nullopt to cancel
    QString chosen;
    bool showOpen() override { chosen = next.value_or(chosen); return next.has_value(); }
    QString fileName() const override { return chosen; }
};

struct FakeMessageBox final : MessageBox
{
    QStringList shown; // "title|prompt"
    std::function<void()> whileOpen; // runs as events would in the box's own loop
    void show(const QString &prompt, const QString &title, Icon) override {
        shown << title + u'|' + prompt;
        if (whileOpen)
            whileOpen();
    }
};

struct FakeHelpLauncher final : HelpLauncher
{
    QStringList calls; // "file|key|command"
    void showHelp(const QString &f, const QString &k, int c) override {
        calls << f + u'|' + k + u'|' + QString::number(c);
    }
};

struct FakeShopWindow final : ShopWindow
{
    QList<QUrl> navigations;
    int shows = 0;
    void show() override { ++shows; }
    void navigate(const QUrl &address) override { navigations.append(address); }
    void setActivationHandler(std::function<void()>) override {}
};

// What the desktop has been asked for and not yet given back; a new reason
// replaces the inhibition held.
struct FakeSleepGuard final : SleepGuard
{
    void keepAwake(const QString &why) override { held = held ? held : 1; reason = why; }
    void allowSleep() override { --held; }
    int held = 0;
    QString reason;
};

struct FakeWakeAlarm final : WakeAlarm
{
    void wakeAt(const QDateTime &when, const QString &) override { cancel(); wakes.append(set = when); }
    void cancel() override { wakes.removeAll(set); set = {}; }
    QList<QDateTime> wakes; // the wakes set now
    QDateTime set;
};

struct FakeProcessControl final : ProcessControl
{
    int ends = 0;
    void endProcess() override { ++ends; }
};

// All fakes together, with a temporary program folder for the reminder file
// and the settings file.
struct FakePlatform
{
    QTemporaryDir appDir;
    FakeClock clock;
    IniSettingsStore settings{settingsFile()};
    FakeMediaPlayer player;
    FakeFileDialog fileDialog;
    FakeMessageBox messageBox;
    FakeHelpLauncher help;
    FakeShopWindow shop;
    FakeProcessControl process;
    FakeSleepGuard sleep;
    FakeWakeAlarm wake;

    QString settingsFile() const { return appDir.filePath(QStringLiteral("settings.ini")); }
    QString reminderFile() const { return appDir.filePath(QStringLiteral("reminder.ini")); }
    QString otherReminderFile; // where another copy of the program keeps it
    static QByteArray bytes(const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    static void write(const QString &path, const QByteArray &content) {
        if (QFile f(path); f.open(QIODevice::WriteOnly))
            f.write(content);
    }
    // The benchmarks run the window on the real clock.
    Services services(Clock *realClock = nullptr) {
        return Services{realClock ? *realClock : clock, settings, player, fileDialog, messageBox, help, shop, process,
                        sleep, wake, appDir.path(), reminderFile(), otherReminderFile};
    }
};

#include "alarmclock.h"
#include "frmalarmclock.h"
#include "reminders.h"
#include "ticktimer.h"
#include "ui_frmalarmclock.h"

#include <QTemporaryFile>
#include <QTest>

#include <unistd.h>

// What `run` writes on stderr.
inline QByteArray stderrOf(const std::function<void()> &run)
{
    QTemporaryFile log;
    if (!log.open())
        return "<no log file>";
    const int saved = ::dup(2);
    ::dup2(log.handle(), 2);
    run();
    ::dup2(saved, 2);
    ::close(saved);
    return FakePlatform::bytes(log.fileName());
}

// The real main window on the fakes, started and ended as the program does.
struct Program
{
    FakePlatform p;
    std::unique_ptr<FrmAlarmClock> w;

    Ui::FrmAlarmClock &ui() { return w->ui(); }
    TickTimer *timer(const char *name) { return w->findChild<TickTimer *>(QLatin1String(name)); }
    void start() {
        w = std::make_unique<FrmAlarmClock>(p.services());
        w->Form_Load();
    }
    void restart() {
        w->MnuExit_Click();
        start();
    }
    // A clock tick at `t`, and the reminder watcher's tick when it is on.
    void tickAt(QTime t) {
        p.clock.t.setTime(t);
        w->alarm().Timer1_Timer();
        if (timer("Timer2")->isEnabled())
            w->reminders().Timer2_Timer();
    }
    void arm(const QString &time, const QString &music = QStringLiteral("/music/wake.mp3")) {
        ui().TxtTime->setText(time);
        ui().Txtfile->setText(music);
        QTest::mouseClick(ui().CmdSet, Qt::LeftButton);
    }
    bool armed() { return !ui().CmdSet->isEnabled() && ui().CmdReset->isEnabled(); }
};
