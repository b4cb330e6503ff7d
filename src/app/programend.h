#pragma once

#include "services.h"

#include <QObject>

class FrmAlarmClock;

// Every way the program ends, and the one save of the settings on the way:
// the main window closed or File > Exit, a termination signal, the session's
// end and the display's loss. From the first of them on nothing ticks; the
// settings are saved once, a failed save said on stderr and in a warning
// (not when the display is gone). A second termination signal while that
// warning waits ends the program at once. What the alarm asked of the desktop
// never outlives the program, also where no destructor runs.
class ProgramEnd final : public QObject
{
    Q_OBJECT

public:
    ProgramEnd(FrmAlarmClock &window, const Services &services, QObject *parent = nullptr);

    // The window closed, or File > Exit.
    void leave();
    // SIGTERM, SIGINT or SIGHUP: leaves as closing the window does.
    void terminationRequested();
    // The session ends (the X11 session manager, the desktop portal's
    // monitor): as a termination signal, however many of them say so.
    void sessionEnding();
    // The display went away under the program (the X server or the Wayland
    // compositor ended): saves as leaving does, from inside the toolkit's
    // exit, with no window left to warn in.
    void displayLost();

private:
    void releaseDesktop();

    FrmAlarmClock &m_window;
    Services m_services;
    bool m_ending = false;
    bool m_sessionEnding = false;
    bool m_displayGone = false;
};
