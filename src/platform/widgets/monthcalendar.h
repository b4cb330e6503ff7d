#pragma once

#include <QDate>
#include <QWidget>

class QCalendarWidget;

// The month calendar: Year, Month and Day are the parts of the selected date.
// setDate() selects the three as one date, so no invalid date is passed on
// the way (31 December, then a month of 30 days).
//
// The calendar grid is the costliest widget of the main window, and the
// window starts folded with the calendar out of sight: the grid is built only
// when the calendar is first seen or reached with the keyboard. Until then
// the date lives here.
class MonthCalendar : public QWidget
{
    Q_OBJECT

public:
    explicit MonthCalendar(QWidget *parent = nullptr);

    qint16 year() const { return static_cast<qint16>(selectedDate().year()); }
    qint16 month() const { return static_cast<qint16>(selectedDate().month()); }
    qint16 day() const { return static_cast<qint16>(selectedDate().day()); }
    void setDate(int year, int month, int day);

    QDate selectedDate() const;
    // As a click on a day of the grid.
    void setSelectedDate(QDate date);

    // The grid, built on first use.
    QCalendarWidget *grid();
    bool hasGrid() const { return m_grid != nullptr; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QCalendarWidget *m_grid = nullptr;
    QDate m_date{2002, 12, 31};
};
