#pragma once

#include "messagebox.h"

#include <QString>

class Clock;
class MonthCalendar;
class QLineEdit;
class QPushButton;
class SettingsStore;
class TickTimer;

// A reminder date as three texts: each part a blank followed by its digits,
// as " 2026", " 5", " 7". Empty parts mean no date.
struct ReminderDate
{
    QString year;
    QString month;
    QString day;

    bool operator==(const ReminderDate &) const = default;
};

// A date part in its text form: the place of the sign (a blank), then digits.
QString datePartText(int value);

struct ReminderControls
{
    MonthCalendar *Calendar1;
    QLineEdit *TxtRem;
    QPushButton *cmdremset;
    QPushButton *CmdSet;
    TickTimer *Timer2;
};

// Set Reminder, the reminder watcher and the calendar refresh.
class Reminders
{
public:
    Reminders(const ReminderControls &controls, const Clock &clock, SettingsStore &settings,
              MessageBox &messageBox, QString reminderFile, QString otherReminderFile = {});

    // Set Reminder: writes the box's text to the reminder file, for the
    // calendar's date.
    void cmdremset_Click();
    // The window became active: with an alarm armed, Set Reminder goes off.
    void Form_Activate();
    // The watcher, started when the alarm goes off with the reminder option
    // on: when the calendar shows the reminder's date, it reads the reminder
    // file (here or in the other place), puts the text in the box and
    // removes the file.
    void Timer2_Timer();
    // The calendar refresh: the calendar shows today.
    void Timer3_Timer();

    void setCalendarToToday();

    // remyear, remmonth, remday: set by Set Reminder, or copied from the
    // restored date by the watcher.
    ReminderDate working;
    // lastremyear, lastremmonth, lastremday: what the previous run saved.
    ReminderDate restored;

    // What exit saves: the working date, or, in a run that never filled it,
    // the restored one, so a pending reminder keeps its date.
    ReminderDate dateToSave() const { return working.year.isEmpty() ? restored : working; }

    QString reminderFile() const { return m_file; }

private:
    void showMessage(const QString &prompt, const QString &title, MessageBox::Icon icon = MessageBox::Icon::None);

    ReminderControls m_c;
    const Clock &m_clock;
    SettingsStore &m_settings;
    MessageBox &m_messageBox;
    // Where Set Reminder writes, and the other place the watcher also reads.
    QString m_file;
    QString m_otherFile;
    bool m_messageOpen = false;
};
