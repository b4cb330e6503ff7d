#include "displayloss.h"

#include <QCoreApplication>
#include <QSemaphore>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

DisplayLoss *g_watching = nullptr;
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
    g_watching = this;
    if (!std::exchange(g_registered, true)) {
        std::atexit(&DisplayLoss::tell);
        g_previousHandler = qInstallMessageHandler(onMessage);
    }
}

DisplayLoss::~DisplayLoss()
{
    if (g_watching == this)
        g_watching = nullptr;
}

void DisplayLoss::tell()
{
    DisplayLoss *watching = std::exchange(g_watching, nullptr);
    if (!watching)
        return;
    if (QThread::currentThread() == watching->thread()) {
        emit watching->lost();
        return;
    }
    // Found by a thread of the toolkit's: the windows belong to the GUI
    // thread, which saves; this thread waits, since the program ends as soon
    // as it returns, but not forever, should the GUI thread itself be stuck
    // on the lost display.
    auto saved = std::make_shared<QSemaphore>();
    QMetaObject::invokeMethod(
        watching, [watching, saved] {
            emit watching->lost();
            saved->release();
        },
        Qt::QueuedConnection);
    saved->tryAcquire(1, 10000);
}
