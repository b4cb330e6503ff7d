#include "alarmclock.h"

#include "clock.h"
#include "clocktext.h"
#include "filedialog.h"
#include "mediaplayer.h"
#include "sleepguard.h"
#include "ticktimer.h"
#include "wakealarm.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeZone>

AlarmClock::AlarmClock(const AlarmControls &controls, const Clock &clock, MediaPlayer &player, FileDialog &dialog,
                       SleepGuard &sleep, WakeAlarm &wake, ShowTime showTime)
    : m_c(controls)
    , m_clock(clock)
    , m_player(player)
    , m_dialog(dialog)
    , m_sleep(sleep)
    , m_wake(wake)
    , m_showTime(std::move(showTime))
{
}

AlarmClock::~AlarmClock()
{
    releaseDesktop();
}

void AlarmClock::releaseDesktop()
{
    if (std::exchange(m_keptAwake, false))
        m_sleep.allowSleep();
    if (std::exchange(m_wakeAt, std::nullopt))
        m_wake.cancel();
}

void AlarmClock::Timer1_Timer()
{
    m_c.Timer1->setInterval(1000);

    const QTime now = m_clock.now().time();
    m_c.txttimetot->setText(timeText(now));
    m_c.txttimetot2->setText(secondsText(now));

    m_showTime(m_c.txttimetot->text(), m_c.txttimetot2->text());

    const bool due = alarmMatches(!m_c.CmdSet->isEnabled(), m_c.TxtTime->text(), m_c.txttimetot->text());
    if (due && m_c.OptDate->isChecked())
        m_c.Timer2->setEnabled(true); // the reminder watcher looks one second later
    if (due) {
        m_player.setFileName(m_c.Txtfile->text());
        m_c.TxtTime->setText(passedMarker(m_c.txttimetot->text()));
        m_ringing = true;
    }
    followPowerNeeds();
}

std::optional<QDateTime> AlarmClock::wakeTime(const QString &alarmText, const QDateTime &now)
{
    const QTime time = QTime::fromString(alarmText, QStringLiteral("H:mm"));
    if (!time.isValid() || timeText(time) != alarmText)
        return std::nullopt;
    // The next day on which the display shows that minute: not today once
    // it has begun, nor on a day whose clocks skip it. Within the minute
    // before, the wake is the minute itself.
    const QDateTime thisMinute = now.addSecs(-now.time().second()).addMSecs(-now.time().msec());
    for (int day = 0; day < 3; ++day) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
        const QDateTime at(now.date().addDays(day), time, now.timeRepresentation());
#else
        const QDateTime at(now.date().addDays(day), time, now.timeSpec(), now.offsetFromUtc());
#endif
        if (at.time() != time || at <= thisMinute)
            continue;
        const QDateTime wake = at.addSecs(-kWakeAheadSecs);
        return wake > now ? wake : at;
    }
    return std::nullopt;
}

// What the desktop is asked for follows the controls: awake while an armed
// alarm can still ring or its sound plays, a wake set while it can still ring.
void AlarmClock::followPowerNeeds()
{
    const bool armed = !m_c.CmdSet->isEnabled();
    if (m_ringing && (!armed || !m_player.isPlaying()))
        m_ringing = false;
    const QString alarmText = m_c.TxtTime->text();
    const QDateTime now = m_clock.now();
    const std::optional<QDateTime> wake = armed ? wakeTime(alarmText, now) : std::nullopt;

    const bool awake = wake.has_value() || m_ringing;
    if (awake) {
        // The desktop names the armed time, also when it is typed over while
        // armed; a ringing alarm keeps the time it was set for.
        const QString time = wake ? alarmText : m_keptAwake ? m_awakeFor : m_c.txttimetot->text();
        if (!m_keptAwake || time != m_awakeFor)
            m_sleep.keepAwake(QStringLiteral("Belltide has an alarm set for %1").arg(time));
        m_awakeFor = time;
    } else if (m_keptAwake) {
        m_sleep.allowSleep();
    }
    m_keptAwake = awake;

    if (wake && wake != m_wakeAt)
        m_wake.wakeAt(*wake, alarmText);
    else if (!wake && m_wakeAt)
        m_wake.cancel();
    m_wakeAt = wake;
}

void AlarmClock::arm()
{
    m_c.CmdSet->setEnabled(false);
    m_c.CmdReset->setEnabled(true);
    // The player gets ready in the background, so that the sound starts with
    // the minute; the file is still taken from Txtfile when the alarm fires.
    m_player.prepare();
    followPowerNeeds();
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
    followPowerNeeds();
}

void AlarmClock::CmdBrowse_Click()
{
    // Cancel leaves the box as it was: a typed path is never thrown away.
    if (m_dialog.showOpen())
        m_c.Txtfile->setText(m_dialog.fileName());
}
