#pragma once

#include <functional>

class Clock;
class FileDialog;
class FrmClock;
class MediaPlayer;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TickTimer;

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
class AlarmClock
{
public:
    AlarmClock(const AlarmControls &controls, const Clock &clock, MediaPlayer &player, FileDialog &dialog,
               std::function<FrmClock &()> frmclock);

    void Timer1_Timer();
    void CmdSet_Click();
    void CmdReset_Click();
    void CmdBrowse_Click();

    // Set Alarm disabled, Stop enabled.
    void arm();

private:
    AlarmControls m_c;
    const Clock &m_clock;
    MediaPlayer &m_player;
    FileDialog &m_dialog;
    std::function<FrmClock &()> m_frmclock;
};
