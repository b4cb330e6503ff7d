#include "applicationid.h"

#include "appinfo.h"

#include <QGuiApplication>

void adoptApplicationId()
{
    const QString id = QString::fromLatin1(AppInfo::appId);
    // On X11 the class part of WM_CLASS is the application name.
    QCoreApplication::setApplicationName(id);
    QGuiApplication::setDesktopFileName(id);
}
