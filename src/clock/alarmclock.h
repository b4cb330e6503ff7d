#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

class Clock;
class FileDialog;
class MediaPlayer;
class QLineEdit;
class QPushButton;
class QRadioButton;
class SleepGuard;
class TickTimer;
class WakeAlarm;

// The main window's controls that the clock and the alarm read and write.
struct AlarmControls
{
    QLineEdit *txttimetot;
    QLineEdit *txttimetot2;
    QLineEdit *TxtTime;
    QLineEdit *Txtfile;
    QRadioButton *OptDate;
    QPushButton *CmdSet;
    QPushButton *CmdReset;
    QPushButton *cmdremset;
    TickTimer *Timer1;
    TickTimer *Timer2;
};

// The clock tick, the alarm and its buttons. The controls are the model: the
// alarm time is TxtTime's text, the music Txtfile's, and the alarm is armed
// exactly while CmdSet is disabled.
//
// While an alarm can still ring, and while its sound plays, the machine is
// kept from suspending by itself, and a wake from suspend is set for a
// minute before the alarm's minute, so that the program is running when it
// comes. Both follow the controls on every tick and button, and both end
// with the alarm: at Stop and when the program ends.
class AlarmClock
{
public:
    // Writes the time and its seconds into the clock-only view.
    using ShowTime = std::function<void(const QString &time, const QString &seconds)>;

    AlarmClock(const AlarmControls &controls, const Clock &clock, MediaPlayer &player, FileDialog &dialog,
               SleepGuard &sleep, WakeAlarm &wake, ShowTime showTime);
    ~AlarmClock();

    void Timer1_Timer();
    void CmdSet_Click();
    void CmdReset_Click();
    void CmdBrowse_Click();

    // Set Alarm disabled, Stop enabled.
    void arm();
    // The program ends: nothing it asked of the desktop may outlive it. Also
    // run when the object goes.
    void releaseDesktop();

    // When to wake the machine for an alarm text, seen at `now`: a minute
    // before the display next shows that text. None for a text the display
    // never shows.
    static std::optional<QDateTime> wakeTime(const QString &alarmText, const QDateTime &now);
    static constexpr int kWakeAheadSecs = 60;

private:
    void followPowerNeeds();

    AlarmControls m_c;
    const Clock &m_clock;
    MediaPlayer &m_player;
    FileDialog &m_dialog;
    SleepGuard &m_sleep;
    WakeAlarm &m_wake;
    bool m_ringing = false; // fired in this run, its sound not yet ended
    bool m_keptAwake = false;
    QString m_awakeFor; // the alarm time the desktop was told
    std::optional<QDateTime> m_wakeAt;
    ShowTime m_showTime;
};
