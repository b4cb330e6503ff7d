#include "displayloss.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

std::atomic<DisplayLoss *> g_watching = nullptr;
std::atomic<bool> g_posted = false;
std::atomic<bool> g_saving = false;
std::atomic<bool> g_saved = false;
bool g_registered = false;
QtMessageHandler g_previousHandler = nullptr;

// The toolkit's last words before it ends the program: Qt's X11 plugin
// calls exit() after its message, its Wayland plugin _exit(), which runs no
// exit handler, so the message itself is the signal.
bool isDisplayLoss(const QString &message)
{
    return message.startsWith(QLatin1String("The Wayland connection broke"))
           || message.startsWith(QLatin1String("The Wayland connection experienced a fatal error"))
           || message.startsWith(QLatin1String("The X11 connection broke"));
}

void onMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (g_previousHandler)
        g_previousHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qUtf8Printable(message));
    if (type == QtWarningMsg && isDisplayLoss(message))
        DisplayLoss::tell();
}

} // namespace

DisplayLoss::DisplayLoss(QObject *parent)
    : QObject(parent)
{
    g_posted = g_saving = g_saved = false;
    g_watching = this;
    if (!std::exchange(g_registered, true)) {
        std::atexit(&DisplayLoss::tell);
        g_previousHandler = qInstallMessageHandler(onMessage);
    }
}

DisplayLoss::~DisplayLoss()
{
    DisplayLoss *self = this;
    g_watching.compare_exchange_strong(self, nullptr);
}

void DisplayLoss::tell()
{
    DisplayLoss *watching = g_watching.load();
    if (!watching)
        return;
    // Several of the toolkit's threads may find the loss at once, and the
    // first to return ends the program: every one of them waits until the
    // GUI thread, which owns the windows, has saved.
    if (QThread::currentThread() == watching->thread()) {
        saveNow();
        return;
    }
    if (!g_posted.exchange(true))
        QMetaObject::invokeMethod(watching, &DisplayLoss::saveNow, Qt::QueuedConnection);
    // Not forever, should the GUI thread itself be stuck on the lost display.
    for (int i = 0; i < 1000 && !g_saved.load(); ++i)
        QThread::msleep(10);
}

void DisplayLoss::saveNow()
{
    if (DisplayLoss *watching = g_watching.load(); watching && !g_saving.exchange(true))
        emit watching->lost();
    g_saved = true;
}
