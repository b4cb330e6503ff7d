#pragma once

#include <QString>

class Clock;
class SettingsStore;
class MediaPlayer;
class FileDialog;
class MessageBox;
class HelpLauncher;
class ShopWindow;
class ProcessControl;
class SleepGuard;
class WakeAlarm;

// Everything the windows reach outside themselves. The program passes the Qt
// implementations; tests pass fakes and a clock they control.
struct Services
{
    Clock &clock;
    SettingsStore &settings;
    MediaPlayer &player;
    FileDialog &fileDialog;
    MessageBox &messageBox;
    HelpLauncher &help;
    ShopWindow &shop;
    ProcessControl &process;
    // Keeps the machine awake while an alarm waits, and wakes it for one.
    SleepGuard &sleep;
    WakeAlarm &wake;
    // The folder that holds the program file, without a trailing separator.
    QString applicationDirectory;
    // Where the reminder file lives (normally inside applicationDirectory).
    QString reminderFile;
    // The other place a reminder may wait in, read as well (may be empty).
    QString otherReminderFile = {};
};
