#pragma once

#include "services.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

namespace Ui { class FrmAlarmClock; }
class AlarmClock;
class FrmAbout;
class FrmClock;
class FrmHelp;
class ProgramEnd;
class Reminders;
struct LastSettings;
class TickTimer;

// The main window: its design, folding, start-up and exit. The clock and the
// alarm live in AlarmClock, the reminder panel in Reminders; this window
// wires their handlers to its controls and timers.
class FrmAlarmClock : public QMainWindow
{
    Q_OBJECT

public:
    explicit FrmAlarmClock(const Services &services, QWidget *parent = nullptr);
    ~FrmAlarmClock() override;

    // The windows' default font, for every control whose design names none.
    static QFont defaultFont();

    // Restores the saved settings, sets the calendar to today, starts the
    // clock, folds the window and re-arms a saved alarm. Run once, before the
    // window is first shown.
    void Form_Load();
    void Form_Unload();
    void MnuExit_Click();
    // Every way out, and the save on the way.
    ProgramEnd &programEnd();
    // What the program leaves for its next run, as the controls hold it now.
    LastSettings lastSettings() const;
    // No clock tick, alarm or reminder check from here on.
    void stopTicking();

    void CmdIn_Click();
    void cmdRem_Click();

    void MnuClock_Click();
    void MnuAlarm_Click();
    void MnuHow_Click();
    void MnuAbout_Click();
    void Command1_Click();
    void Command2_Click();

    // The single instances of the other windows, created hidden on first use.
    FrmClock &frmclock();
    bool frmclockLoaded() const { return !m_frmclock.isNull(); }
    FrmHelp &frmhelp();
    FrmHelp *loadedFrmhelp() const;
    // The About window while it is loaded; unloading it ends its instance.
    FrmAbout *loadedFrmAbout() const;

    AlarmClock &alarm() { return *m_alarm; }
    Reminders &reminders() { return *m_reminders; }
    Ui::FrmAlarmClock &ui() { return *m_ui; }

    // Inner widths of the folded and unfolded window, in pixels, from the
    // outer widths of the design and the real frame.
    int foldedWidth() const;
    static constexpr int kUnfoldedWidth = 569;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void applyDesignLook();
    void onFocusWindowChanged(QWindow *window);

    Services m_services;
    std::unique_ptr<Ui::FrmAlarmClock> m_ui;
    TickTimer *m_timer1;
    TickTimer *m_timer2;
    TickTimer *m_timer3;
    std::unique_ptr<AlarmClock> m_alarm;
    std::unique_ptr<Reminders> m_reminders;
    std::unique_ptr<ProgramEnd> m_end;
    QPointer<FrmClock> m_frmclock;
    QPointer<FrmHelp> m_frmhelp;
    QPointer<FrmAbout> m_frmAbout;
    // Since the main window was last active, another of the program's own
    // windows has been: its next activation runs Form_Activate.
    bool m_otherOwnWindowWasActive = false;
    bool m_shownOnce = false;
};
