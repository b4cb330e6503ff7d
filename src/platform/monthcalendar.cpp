#include "monthcalendar.h"

#include <QTextCharFormat>

MonthCalendar::MonthCalendar(QWidget *parent)
    : QCalendarWidget(parent)
{
    setFont(QFont(QStringLiteral("Arial"), 9));
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    setGridVisible(true);
    setSelectedDate(QDate(2002, 12, 31));
    // The title, month and year, in 12 pt bold.
    if (auto *title = findChild<QWidget *>(QStringLiteral("qt_calendar_navigationbar"))) {
        QFont f(QStringLiteral("Arial"), 12);
        f.setBold(true);
        title->setFont(f);
    }
}

void MonthCalendar::setDate(int year, int month, int day)
{
    const QDate date(year, month, day);
    if (date.isValid()) {
        setSelectedDate(date);
        setCurrentPage(year, month);
    }
}
