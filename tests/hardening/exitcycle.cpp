// One start-and-exit of the main window with the real settings store and the
// real reminder file, writing values that name the cycle:
//   exitcycle SETTINGS_FILE APP_DIR CYCLE
// The hardening test kills it with SIGKILL at random moments.
#include "fakes.h"
#include "frmalarmclock.h"
#include "inisettingsstore.h"
#include "reminders.h"
#include "ui_frmalarmclock.h"

#include <QApplication>

#include <cstdlib>

namespace {

class ExitAtOnce final : public ProcessControl
{
public:
    void endProcess() override { std::_Exit(0); }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    const QString cycle = args[3];

    FakePlatform fakes;
    IniSettingsStore settings(args[1]);
    ExitAtOnce process;
    Services services = fakes.services(nullptr, &settings, &process);
    services.applicationDirectory = args[2];
    services.reminderFile = args[2] + QStringLiteral("/reminder.ini");
    FrmAlarmClock w(services);
    w.Form_Load();

    // Set Reminder, then File > Exit, each with texts naming this cycle.
    w.ui().TxtRem->setText(QStringLiteral("reminder of cycle %1, with \"quotes\"").arg(cycle));
    w.reminders().cmdremset_Click();
    w.ui().TxtTime->setText(cycle + QStringLiteral(":00"));
    w.ui().Txtfile->setText(QStringLiteral("/music/cycle %1.mp3").arg(cycle));
    w.MnuExit_Click();
    return 1; // not reached: the exit ends the process
}
