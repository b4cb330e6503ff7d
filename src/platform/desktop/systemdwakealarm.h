#pragma once

#include "sessionbus.h"
#include "wakealarm.h"

#include <QObject>

// Wakes the machine through the user's service manager (systemd's user
// instance, on the session bus): a transient timer unit with WakeSystem=true
// that elapses at the wake time and starts a service that does nothing. The
// timer is named after its moment, so a wake for the same moment left by an
// earlier run is recognised, and it unloads itself once elapsed.
//
// systemd lets ordinary users wake the machine from version 254 on; an older
// one accepts the timer but fails it. Where the timer is refused or there is
// no user service manager, the program says so once on stderr and asks no
// more. A wake still set when the object goes (the program's end) is removed
// then, waiting for the answer a moment.
class SystemdWakeAlarm final : public QObject, public WakeAlarm
{
    Q_OBJECT

public:
    // On the session bus, connected when first needed: not at start-up
    // unless an alarm is armed then.
    explicit SystemdWakeAlarm(QObject *parent = nullptr);
    SystemdWakeAlarm(const QDBusConnection &bus, QObject *parent = nullptr);
    ~SystemdWakeAlarm() override;

    void endAndWait() override;

    void wakeAt(const QDateTime &when, const QString &why) override;
    void cancel() override;

    // The unit names for a wake at `when`: "belltide-wake-<seconds since the epoch>".
    static QString unitName(const QDateTime &when, const QString &suffix);
    // The timer's calendar expression, in UTC.
    static QString calendarSpec(const QDateTime &when);
    // How long after the timer is started its state is looked at.
    static constexpr int kCheckDelayMs = 1000;

private:
    void start(const QString &why);
    void stop(const QString &timer);
    void check(const QString &timer);
    void refused(const QString &why);
    QDBusMessage managerCall(const QString &method) const;

    SessionBus m_bus;
    QDateTime m_when;
    QString m_timer; // the timer unit set, or on its way
    bool m_refused = false;
};
