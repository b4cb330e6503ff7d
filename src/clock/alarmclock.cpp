#include "alarmclock.h"

#include "clock.h"
#include "clocktext.h"
#include "filedialog.h"
#include "frmclock.h"
#include "mediaplayer.h"
#include "ticktimer.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

AlarmClock::AlarmClock(const AlarmControls &controls, const Clock &clock, MediaPlayer &player, FileDialog &dialog,
                       std::function<FrmClock &()> frmclock)
    : m_c(controls)
    , m_clock(clock)
    , m_player(player)
    , m_dialog(dialog)
    , m_frmclock(std::move(frmclock))
{
}

void AlarmClock::Timer1_Timer()
{
    m_c.Timer1->setInterval(1000);

    const QTime now = m_clock.now().time();
    m_c.txttimetot->setText(timeText(now));
    m_c.txttimetot2->setText(secondsText(now));

    FrmClock &view = m_frmclock();
    view.txttimetot()->setText(m_c.txttimetot->text());
    view.txttimetot2()->setText(m_c.txttimetot2->text());

    const bool due = alarmMatches(!m_c.CmdSet->isEnabled(), m_c.TxtTime->text(), m_c.txttimetot->text());
    if (due && m_c.OptDate->isChecked())
        m_c.Timer2->setEnabled(true); // the reminder watcher looks one second later
    if (due) {
        m_player.setFileName(m_c.Txtfile->text());
        m_player.setAlarmFlag(true);
        m_c.TxtTime->setText(passedMarker(m_c.txttimetot->text()));
    }
}

void AlarmClock::arm()
{
    m_c.CmdSet->setEnabled(false);
    m_c.CmdReset->setEnabled(true);
    // The player gets ready in the background, so that the sound starts with
    // the minute; the file is still taken from Txtfile when the alarm fires.
    m_player.prepare();
}

void AlarmClock::CmdSet_Click()
{
    arm();
}

void AlarmClock::CmdReset_Click()
{
    m_player.stop();
    m_c.CmdSet->setEnabled(true);
    m_c.CmdReset->setEnabled(false);
    m_c.TxtTime->setText(QString());
    m_c.cmdremset->setEnabled(true);
}

void AlarmClock::CmdBrowse_Click()
{
    // Cancel leaves the box as it was: a typed path is never thrown away.
    if (m_dialog.showOpen())
        m_c.Txtfile->setText(m_dialog.fileName());
}
