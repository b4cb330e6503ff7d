#pragma once

#include <QString>

class SettingsStore;

// What one run leaves for the next in the settings file, under
// [Corvanta\lastsettings]: the reminder's date, the alarm time and the music.
struct LastSettings
{
    QString remyear;
    QString remmonth;
    QString remday;
    QString timealarm;
    QString alarmMusic;

    static LastSettings read(const SettingsStore &store);
    // All five, in one write; false if the store could not write them.
    bool save(SettingsStore &store) const;
};
