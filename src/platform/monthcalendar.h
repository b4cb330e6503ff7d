#pragma once

#include <QCalendarWidget>

// The month calendar: Year, Month and Day are the parts of the selected date.
// setDate() selects the three as one date, so no invalid date is passed on
// the way (31 December, then a month of 30 days).
class MonthCalendar : public QCalendarWidget
{
    Q_OBJECT

public:
    explicit MonthCalendar(QWidget *parent = nullptr);

    qint16 year() const { return static_cast<qint16>(selectedDate().year()); }
    qint16 month() const { return static_cast<qint16>(selectedDate().month()); }
    qint16 day() const { return static_cast<qint16>(selectedDate().day()); }

    void setDate(int year, int month, int day);
};
