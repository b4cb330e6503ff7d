#include "ticktimer.h"

#include "clock.h"

TickTimer::TickTimer(const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &TickTimer::fire);
}

void TickTimer::setInterval(int milliseconds)
{
    m_interval = qMax(0, milliseconds);
    rearm();
}

void TickTimer::setEnabled(bool enabled)
{
    m_enabled = enabled;
    rearm();
}

void TickTimer::setAlignedToClock(bool aligned)
{
    m_aligned = aligned;
    rearm();
}

int TickTimer::delayToAlignedTick(int msecOfDay, int interval)
{
    return interval - msecOfDay % 1000 + kAfterTurnMs;
}

void TickTimer::rearm()
{
    if (!m_enabled || m_interval <= 0) {
        m_timer.stop();
        return;
    }
    if (m_aligned && m_interval % 1000 == 0) {
        m_timer.setSingleShot(true);
        m_timer.start(delayToAlignedTick(m_clock.now().time().msecsSinceStartOfDay(), m_interval));
    } else {
        m_timer.setSingleShot(false);
        m_timer.start(m_interval);
    }
}

void TickTimer::fire()
{
    if (m_timer.isSingleShot())
        rearm();
    emit timeout();
}
