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
                     MessageBox &messageBox, QString reminderFile)
    : m_c(controls)
    , m_clock(clock)
    , m_settings(settings)
    , m_messageBox(messageBox)
    , m_file(std::move(reminderFile))
{
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
        m_messageBox.show(QStringLiteral("You have not specified a reminder!"), QStringLiteral("Error"));
        return;
    }

    QString error;
    if (!ReminderFile::write(m_file, text, &error)) {
        // Nothing is lost: the text stays in the box and the button stays on.
        m_messageBox.show(QStringLiteral("The reminder could not be saved in %1:\n%2").arg(m_file, error),
                          QStringLiteral("Error"), MessageBox::Icon::Warning);
        return;
    }

    m_messageBox.show(QStringLiteral("Success, Now choose a time and music file and press Set Alarm!!"),
                      QStringLiteral("Status:"));
    m_c.TxtRem->setText(QString());
    m_c.cmdremset->setEnabled(false);
}

void Reminders::Form_Activate()
{
    if (!m_c.CmdSet->isEnabled())
        m_c.cmdremset->setEnabled(false);
}

void Reminders::Timer2_Timer()
{
    if (working.year.isEmpty() && !restored.year.isEmpty())
        working = restored;

    const ReminderDate shown{datePartText(m_c.Calendar1->year()), datePartText(m_c.Calendar1->month()),
                             datePartText(m_c.Calendar1->day())};
    if (working == shown) {
        // A second alarm on the day of a delivery finds no file: nothing to do.
        if (const std::optional<QString> text = ReminderFile::read(m_file)) {
            m_c.TxtRem->setText(*text);
            QFile::remove(m_file);
        }
    }
    m_c.Timer2->setEnabled(false);
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
