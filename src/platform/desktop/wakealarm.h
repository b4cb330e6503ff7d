#pragma once

#include <QDateTime>
#include <QString>

// Wakes the machine from suspend at a given moment, where the system allows
// it. One wake at a time: a new one replaces the one before.
class WakeAlarm
{
public:
    virtual ~WakeAlarm() = default;

    // Wake the machine at `when`; `why` names the alarm for the user.
    virtual void wakeAt(const QDateTime &when, const QString &why) = 0;
    // No wake any more.
    virtual void cancel() = 0;
    // Ends what is set or on its way and waits a moment for the answers: at
    // the program's end, also one that skips the destructors.
    virtual void endAndWait() {}
};
