#include "sessionend.h"

#include <QGuiApplication>
#include <QSessionManager>

SessionEnd::SessionEnd(QObject *parent)
    : QObject(parent)
{
    // XSMP: the session manager asks every client to save before it ends the
    // session. Saving means leaving here: nothing is saved while running.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) { emit ending(); });
}
