// belltide-web: the shop's web view window, in a program of its own so that
// Belltide itself never loads the web engine (which would make every start of
// the alarm clock slower and several times larger). Belltide starts it on the
// first click of a shop button and drives it through its standard input; see
// webhelper.h for the commands.

#include "webhelper.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <csignal>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[0], &c, 1);
}

// A terminating signal ends the event loop, so the web engine still shuts
// down its own processes in order.
void quitOnSignals(QObject *context)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [] { QCoreApplication::quit(); });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
}

} // namespace

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

    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    quitOnSignals(&app);

    WebHelper helper(STDIN_FILENO);
    QObject::connect(&helper, &WebHelper::finished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    return app.exec();
}
