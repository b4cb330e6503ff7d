#include "reminders.h"

#include "clock.h"
#include "messagebox.h"
#include "monthcalendar.h"
#include "reminderfile.h"
#include "settingsstore.h"
#include "ticktimer.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>

QString datePartText(int value)
{
    return value < 0 ? QString::number(value) : u' ' + QString::number(value);
}

Reminders::Reminders(const ReminderControls &controls, const Clock &clock, SettingsStore &settings,
                     MessageBox &messageBox, QString reminderFile, QString otherReminderFile)
    : m_c(controls)
    , m_clock(clock)
    , m_settings(settings)
    , m_messageBox(messageBox)
    , m_file(std::move(reminderFile))
    , m_otherFile(std::move(otherReminderFile))
{
}

// The box waits in an event loop of its own, in which the clock and the
// watcher go on ticking; the watcher holds back while it is open.
void Reminders::showMessage(const QString &prompt, const QString &title, MessageBox::Icon icon)
{
    m_messageOpen = true;
    m_messageBox.show(prompt, title, icon);
    m_messageOpen = false;
}

void Reminders::cmdremset_Click()
{
    // A failing flag is no reason to refuse the reminder: nothing reads it.
    m_settings.save(QStringLiteral("CorVanta"), QStringLiteral("State"), QStringLiteral("remset"),
                    QStringLiteral("Set"));

    working.day = datePartText(m_c.Calendar1->day());
    working.month = datePartText(m_c.Calendar1->month());
    working.year = datePartText(m_c.Calendar1->year());

    const QString text = m_c.TxtRem->text();
    if (text.isEmpty()) {
        showMessage(QStringLiteral("You have not specified a reminder!"), QStringLiteral("Error"));
        return;
    }

    QString error;
    if (!ReminderFile::write(m_file, text, &error)) {
        // Nothing is lost: the text stays in the box and the button stays on.
        showMessage(QStringLiteral("The reminder could not be saved in %1:\n%2").arg(m_file, error),
                    QStringLiteral("Error"), MessageBox::Icon::Warning);
        return;
    }
    // One pending reminder: an older one left in the other place must not
    // come back on this one's date.
    if (!m_otherFile.isEmpty())
        QFile::remove(m_otherFile);

    // Done before the message, so that nothing delivered while it is open is
    // wiped when it closes.
    m_c.TxtRem->setText(QString());
    m_c.cmdremset->setEnabled(false);
    showMessage(QStringLiteral("Success, Now choose a time and music file and press Set Alarm!!"),
                QStringLiteral("Status:"));
}

void Reminders::Form_Activate()
{
    if (!m_c.CmdSet->isEnabled())
        m_c.cmdremset->setEnabled(false);
}

void Reminders::Timer2_Timer()
{
    // A text typed into the box is never replaced behind Set Reminder's
    // message: the check waits for the next tick after it has closed.
    if (m_messageOpen)
        return;
    m_c.Timer2->setEnabled(false);

    if (working.year.isEmpty() && !restored.year.isEmpty())
        working = restored;

    const ReminderDate shown{datePartText(m_c.Calendar1->year()), datePartText(m_c.Calendar1->month()),
                             datePartText(m_c.Calendar1->day())};
    if (working != shown)
        return;
    // The reminder may have been set by a copy of the program that keeps it
    // in the other place. A second alarm on the day of a delivery finds no
    // file: nothing to do.
    for (const QString &path : {m_file, m_otherFile}) {
        const std::optional<QString> text = path.isEmpty() ? std::nullopt : ReminderFile::read(path);
        if (!text)
            continue;
        m_c.TxtRem->setText(*text);
        QFile file(path);
        if (!file.remove())
            showMessage(QStringLiteral("The reminder was delivered, but its file could not be removed:\n%1\n%2\n\n"
                                       "Until the file is removed, the reminder comes back at every alarm "
                                       "on its date.")
                            .arg(path, file.errorString()),
                        QStringLiteral("Error"), MessageBox::Icon::Warning);
        return;
    }
}

void Reminders::Timer3_Timer()
{
    setCalendarToToday();
}

void Reminders::setCalendarToToday()
{
    const QDate today = m_clock.now().date();
    m_c.Calendar1->setDate(today.year(), today.month(), today.day());
}
