// belltide-web: the shop's web view window, in a program of its own so that
// Belltide itself never loads the web engine (which would make every start of
// the alarm clock slower and several times larger). Belltide starts it on the
// first click of a shop button and drives it through its standard input; see
// webhelper.h for the commands.

#include "applicationid.h"
#include "webhelper.h"

#include "unixsignals.h"

#include <QApplication>
#include <QLoggingCategory>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

int main(int argc, char *argv[])
{
    // Go when Belltide goes, even when it is killed and cannot close our input.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    // The end of the pipe is the usual way out; a write to a pipe whose reader
    // has gone must not kill the helper before it has closed its window.
    ::signal(SIGPIPE, SIG_IGN);

    // Chromium refuses to start as root with its sandbox on. Everyone else
    // keeps it.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The engine's start-up report and the pages' console chatter would land
    // on Belltide's terminal; QT_LOGGING_RULES can still bring them back.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false\njs=false"));

    adoptApplicationId();
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    // A terminating signal ends the event loop, so the web engine still shuts
    // down its own processes in order.
    UnixSignals signalsToQuit;
    QObject::connect(&signalsToQuit, &UnixSignals::terminationRequested, &app, &QCoreApplication::quit);

    WebHelper helper(STDIN_FILENO);
    QObject::connect(&helper, &WebHelper::finished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    return app.exec();
}
