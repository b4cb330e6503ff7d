#include "clocktext.h"

QString timeText(QTime time)
{
    return QStringLiteral("%1:%2").arg(time.hour()).arg(time.minute(), 2, 10, QLatin1Char('0'));
}

QString secondsText(QTime time)
{
    return QStringLiteral(":%1").arg(time.second(), 2, 10, QLatin1Char('0'));
}

QString passedMarker(const QString &timeText)
{
    return timeText + QStringLiteral(" Has Passed");
}
