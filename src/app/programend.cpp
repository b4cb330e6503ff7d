#include "programend.h"

#include "alarmclock.h"
#include "frmalarmclock.h"
#include "lastsettings.h"
#include "messagebox.h"
#include "processcontrol.h"
#include "settingsstore.h"
#include "sleepguard.h"
#include "wakealarm.h"

#include <cstdio>

ProgramEnd::ProgramEnd(FrmAlarmClock &window, const Services &services, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_services(services)
{
}

void ProgramEnd::leave()
{
    if (std::exchange(m_ending, true))
        return; // the process is already on its way out
    // From here on the program only saves and ends: no clock tick, alarm or
    // reminder check, also while the warning below waits for the user.
    m_window.stopTicking();

    SettingsStore &store = m_services.settings;
    if (!m_window.lastSettings().save(store)) {
        const QString message =
            QStringLiteral("Belltide could not save the alarm time, the music file and the reminder date in\n"
                           "%1\n\n%2")
                .arg(store.location(), store.errorString());
        // Also for the session's log: at a logout nobody may see the box.
        std::fprintf(stderr, "%s\n", qUtf8Printable(message));
        if (!m_displayGone)
            m_services.messageBox.show(message, m_window.windowTitle(), MessageBox::Icon::Warning);
    }
    m_services.process.endProcess();
}

void ProgramEnd::terminationRequested()
{
    if (!m_ending) {
        leave();
        return;
    }
    // What was saved before stays as it was; what the alarm asked of the
    // desktop ends with the program, as on every other way out.
    releaseDesktop();
    m_services.process.endAtOnce();
}

void ProgramEnd::sessionEnding()
{
    if (!std::exchange(m_sessionEnding, true))
        terminationRequested();
}

void ProgramEnd::displayLost()
{
    m_displayGone = true;
    leave();
    // The toolkit ends the program from here, past every destructor.
    releaseDesktop();
}

void ProgramEnd::releaseDesktop()
{
    m_window.alarm().releaseDesktop();
    // No destructor runs after this: the requests go out now.
    m_services.sleep.endAndWait();
    m_services.wake.endAndWait();
}
