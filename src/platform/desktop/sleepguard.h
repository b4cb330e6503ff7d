#pragma once

#include <QString>

// Keeps the machine awake while an alarm waits: asks the desktop not to
// suspend the machine by itself. The screen may still blank and lock, and a
// suspend the user asks for (the menu, the lid) still happens.
class SleepGuard
{
public:
    virtual ~SleepGuard() = default;

    // Keep the machine awake, for `reason` (shown in the desktop's power
    // dialog). Asking again with the same reason changes nothing; with
    // another one, the desktop is told the new reason, and the machine is
    // kept awake all along.
    virtual void keepAwake(const QString &reason) = 0;
    // The machine may sleep again.
    virtual void allowSleep() = 0;
    // Ends what is held or on its way and waits a moment for the answers:
    // at the program's end, also one that skips the destructors.
    virtual void endAndWait() {}
};
