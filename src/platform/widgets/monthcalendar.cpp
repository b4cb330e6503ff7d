#include "monthcalendar.h"

#include <QCalendarWidget>
#include <QFocusEvent>

MonthCalendar::MonthCalendar(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

QDate MonthCalendar::selectedDate() const
{
    return m_grid ? m_grid->selectedDate() : m_date;
}

void MonthCalendar::setSelectedDate(QDate date)
{
    if (!date.isValid())
        return;
    m_date = date;
    if (m_grid)
        m_grid->setSelectedDate(date);
}

void MonthCalendar::setDate(int year, int month, int day)
{
    const QDate date(year, month, day);
    if (!date.isValid())
        return;
    setSelectedDate(date);
    if (m_grid)
        m_grid->setCurrentPage(year, month);
}

QCalendarWidget *MonthCalendar::grid()
{
    if (m_grid)
        return m_grid;
    m_grid = new QCalendarWidget(this);
    m_grid->setObjectName(QStringLiteral("grid"));
    m_grid->setFont(QFont(QStringLiteral("Arial"), 9));
    m_grid->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    m_grid->setGridVisible(true);
    // The title, month and year, in 12 pt bold.
    if (auto *title = m_grid->findChild<QWidget *>(QStringLiteral("qt_calendar_navigationbar"))) {
        QFont f(QStringLiteral("Arial"), 12);
        f.setBold(true);
        title->setFont(f);
    }
    m_grid->setSelectedDate(m_date);
    m_grid->setGeometry(rect());
    connect(m_grid, &QCalendarWidget::selectionChanged, this, [this] { m_date = m_grid->selectedDate(); });
    // From now on the grid takes the calendar's place in the tab order.
    QWidget::setTabOrder(this, m_grid);
    setFocusPolicy(Qt::NoFocus);
    setFocusProxy(m_grid);
    m_grid->show();
    return m_grid;
}

void MonthCalendar::paintEvent(QPaintEvent *event)
{
    // Seen for the first time: the grid takes over from the next paint on.
    if (!m_grid)
        QMetaObject::invokeMethod(this, &MonthCalendar::grid, Qt::QueuedConnection);
    QWidget::paintEvent(event);
}

void MonthCalendar::focusInEvent(QFocusEvent *event)
{
    if (!m_grid) {
        grid()->setFocus(event->reason());
        return;
    }
    QWidget::focusInEvent(event);
}

void MonthCalendar::resizeEvent(QResizeEvent *event)
{
    if (m_grid)
        m_grid->setGeometry(rect());
    QWidget::resizeEvent(event);
}
