#pragma once

#include <QString>
#include <QTime>

// The clock's texts: "H:MM" on the 24-hour clock without a leading zero on the
// hour, and ":SS".
QString timeText(QTime time);
QString secondsText(QTime time);

// The alarm text that stands in the alarm box once the alarm has fired.
QString passedMarker(const QString &timeText);

// An armed alarm fires when its text equals the displayed time text exactly:
// no trimming, no parsing, no tolerance for a leading zero.
inline bool alarmMatches(bool armed, const QString &alarmText, const QString &shownTime)
{
    return armed && alarmText == shownTime;
}
