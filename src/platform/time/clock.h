#pragma once

#include <QDateTime>

#include <sys/types.h>

// The system clock as the program sees it: the present local date and time.
// Tests substitute a clock they can set and advance.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

// The machine's clock, in the machine's time zone as it is now: a zone
// changed while the program runs (the zone file replaced, as the desktop's
// date settings do) counts from the next reading on. The C library reads
// the zone once and keeps it for as long as TZ names the same file, so the
// zone file is looked at on every reading and read afresh when it changed.
class SystemClock final : public Clock
{
public:
    SystemClock();
    QDateTime now() const override;

    // The file that holds the local time zone: TZ's file, or the system's.
    // Empty where TZ spells the zone out itself.
    static QString zoneFile();

private:
    struct Stamp
    {
        dev_t device = 0;
        ino_t inode = 0;
        qint64 modified = 0;
        off_t size = 0;
        bool operator==(const Stamp &) const = default;
    };
    static Stamp stampOf(const QString &file);
    void rereadZoneIfChanged() const;

    QString m_zoneFile;
    mutable Stamp m_zoneStamp;
};
