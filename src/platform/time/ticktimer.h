#pragma once

#include <QObject>
#include <QTimer>

class Clock;

// A periodic timer with an Interval in milliseconds (0: no ticks) and an
// Enabled switch. A timer aligned to the clock fires each whole-second tick
// just after the clock's second turns, re-armed from the clock on every tick,
// so a display it drives is never late by a tick's drift, never skips and
// keeps in step after a suspend or a change of the system clock.
class TickTimer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int interval READ interval WRITE setInterval)
    Q_PROPERTY(bool enabled READ isEnabled WRITE setEnabled)

public:
    explicit TickTimer(const Clock &clock, QObject *parent = nullptr);

    int interval() const { return m_interval; }
    void setInterval(int milliseconds);

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    void setAlignedToClock(bool aligned);

    // Milliseconds from `msecOfDay` to the next tick of an aligned timer.
    static int delayToAlignedTick(int msecOfDay, int interval);
    // How far past the turn of the second an aligned tick is aimed.
    static constexpr int kAfterTurnMs = 2;

signals:
    void timeout();

private:
    void rearm();
    void fire();

    const Clock &m_clock;
    QTimer m_timer;
    int m_interval = 0;
    bool m_enabled = true;
    bool m_aligned = false;
};
