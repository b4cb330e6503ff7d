#pragma once

#include <QDateTime>

// The system clock as the program sees it: the present local date and time.
// Tests substitute a clock they can set and advance.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
