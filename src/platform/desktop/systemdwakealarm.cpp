#include "systemdwakealarm.h"

#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QTimer>

namespace {

const QString kService = QStringLiteral("org.freedesktop.systemd1");
const QString kPath = QStringLiteral("/org/freedesktop/systemd1");
const QString kManager = QStringLiteral("org.freedesktop.systemd1.Manager");
const QString kUnit = QStringLiteral("org.freedesktop.systemd1.Unit");
constexpr int kCallTimeoutMs = 5000;

// The shapes of StartTransientUnit's arguments: properties a(sv), the
// auxiliary units a(sa(sv)), TimersCalendar a(ss) and ExecStart a(sasb).
struct UnitProperty
{
    QString name;
    QDBusVariant value;
};
struct AuxUnit
{
    QString name;
    QList<UnitProperty> properties;
};
struct CalendarTimer
{
    QString base;
    QString expression;
};
struct ExecCommand
{
    QString path;
    QStringList argv;
    bool ignoreFailure;
};

} // namespace

Q_DECLARE_METATYPE(UnitProperty)
Q_DECLARE_METATYPE(AuxUnit)
Q_DECLARE_METATYPE(CalendarTimer)
Q_DECLARE_METATYPE(ExecCommand)

namespace {

QDBusArgument &operator<<(QDBusArgument &a, const UnitProperty &p)
{
    a.beginStructure();
    a << p.name << p.value;
    a.endStructure();
    return a;
}
const QDBusArgument &operator>>(const QDBusArgument &a, UnitProperty &p)
{
    a.beginStructure();
    a >> p.name >> p.value;
    a.endStructure();
    return a;
}
QDBusArgument &operator<<(QDBusArgument &a, const AuxUnit &u)
{
    a.beginStructure();
    a << u.name << u.properties;
    a.endStructure();
    return a;
}
const QDBusArgument &operator>>(const QDBusArgument &a, AuxUnit &u)
{
    a.beginStructure();
    a >> u.name >> u.properties;
    a.endStructure();
    return a;
}
QDBusArgument &operator<<(QDBusArgument &a, const CalendarTimer &t)
{
    a.beginStructure();
    a << t.base << t.expression;
    a.endStructure();
    return a;
}
const QDBusArgument &operator>>(const QDBusArgument &a, CalendarTimer &t)
{
    a.beginStructure();
    a >> t.base >> t.expression;
    a.endStructure();
    return a;
}
QDBusArgument &operator<<(QDBusArgument &a, const ExecCommand &c)
{
    a.beginStructure();
    a << c.path << c.argv << c.ignoreFailure;
    a.endStructure();
    return a;
}
const QDBusArgument &operator>>(const QDBusArgument &a, ExecCommand &c)
{
    a.beginStructure();
    a >> c.path >> c.argv >> c.ignoreFailure;
    a.endStructure();
    return a;
}

template <typename T>
UnitProperty unitProperty(const QString &name, const T &value)
{
    return UnitProperty{name, QDBusVariant(QVariant::fromValue(value))};
}

void registerTypes()
{
    qDBusRegisterMetaType<UnitProperty>();
    qDBusRegisterMetaType<QList<UnitProperty>>();
    qDBusRegisterMetaType<AuxUnit>();
    qDBusRegisterMetaType<QList<AuxUnit>>();
    qDBusRegisterMetaType<CalendarTimer>();
    qDBusRegisterMetaType<QList<CalendarTimer>>();
    qDBusRegisterMetaType<ExecCommand>();
    qDBusRegisterMetaType<QList<ExecCommand>>();
}

} // namespace

SystemdWakeAlarm::SystemdWakeAlarm(QObject *parent)
    : QObject(parent)
{
    registerTypes();
}

SystemdWakeAlarm::SystemdWakeAlarm(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
{
    registerTypes();
}

SystemdWakeAlarm::~SystemdWakeAlarm()
{
    endAndWait();
}

void SystemdWakeAlarm::endAndWait()
{
    cancel();
    m_bus.waitForSent();
}

QString SystemdWakeAlarm::unitName(const QDateTime &when, const QString &suffix)
{
    return QStringLiteral("belltide-wake-%1.%2").arg(when.toSecsSinceEpoch()).arg(suffix);
}

QString SystemdWakeAlarm::calendarSpec(const QDateTime &when)
{
    return when.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" UTC");
}

void SystemdWakeAlarm::wakeAt(const QDateTime &when, const QString &why)
{
    if (m_refused || (!m_timer.isEmpty() && when == m_when))
        return;
    if (!m_bus.connection().isConnected()) {
        refused(QStringLiteral("there is no session bus"));
        return;
    }
    if (!m_timer.isEmpty())
        stop(m_timer);
    m_when = when;
    start(why);
}

void SystemdWakeAlarm::cancel()
{
    if (!m_timer.isEmpty())
        stop(std::exchange(m_timer, QString()));
}

QDBusMessage SystemdWakeAlarm::managerCall(const QString &method) const
{
    return QDBusMessage::createMethodCall(kService, kPath, kManager, method);
}

void SystemdWakeAlarm::start(const QString &why)
{
    m_timer = unitName(m_when, QStringLiteral("timer"));
    const QString service = unitName(m_when, QStringLiteral("service"));
    const QString description = QStringLiteral("Belltide: wake the machine for the alarm at %1").arg(why);

    const QList<UnitProperty> timer{
        unitProperty(QStringLiteral("Description"), description),
        unitProperty(QStringLiteral("TimersCalendar"),
                 QList<CalendarTimer>{{QStringLiteral("OnCalendar"), calendarSpec(m_when)}}),
        unitProperty(QStringLiteral("WakeSystem"), true),
        // Gone once it has elapsed; and on time to the second, not within
        // the default minute.
        unitProperty(QStringLiteral("RemainAfterElapse"), false),
        unitProperty(QStringLiteral("AccuracyUSec"), quint64(1000000)),
    };
    const QList<AuxUnit> aux{{service,
                              {
                                  unitProperty(QStringLiteral("Description"), description),
                                  unitProperty(QStringLiteral("ExecStart"),
                                           QList<ExecCommand>{{QStringLiteral("/bin/true"),
                                                               {QStringLiteral("/bin/true")}, false}}),
                              }}};
    QDBusMessage call = managerCall(QStringLiteral("StartTransientUnit"));
    call << m_timer << QStringLiteral("replace") << QVariant::fromValue(timer) << QVariant::fromValue(aux);

    const QString name = m_timer;
    m_bus.ask(call, kCallTimeoutMs, this, [this, name](const QDBusPendingCall &answer) {
        const QDBusError error = QDBusPendingReply<QDBusObjectPath>(answer).error();
        // A wake for the same moment, left by an earlier run: it serves.
        if (error.isValid() && error.name() != QLatin1String("org.freedesktop.systemd1.UnitExists")) {
            if (m_timer == name)
                m_timer.clear();
            // No owner, and none to start: the bus's own errors.
            const bool absent = error.name().startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn."))
                                || error.type() == QDBusError::ServiceUnknown
                                || error.name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
            refused(absent ? QStringLiteral("there is no user service manager: ") + error.message()
                           : error.message());
            return;
        }
        // An older systemd takes the timer, then fails it.
        QTimer::singleShot(kCheckDelayMs, this, [this, name] { check(name); });
    });
}

void SystemdWakeAlarm::stop(const QString &timer)
{
    QDBusMessage call = managerCall(QStringLiteral("StopUnit"));
    call << timer << QStringLiteral("replace");
    // An elapsed timer has unloaded itself: nothing to stop, no error to tell.
    m_bus.send(call, kCallTimeoutMs);
}

void SystemdWakeAlarm::check(const QString &timer)
{
    QDBusMessage getUnit = managerCall(QStringLiteral("GetUnit"));
    getUnit << timer;
    m_bus.ask(getUnit, kCallTimeoutMs, this, [this, timer](const QDBusPendingCall &answer) {
        const QDBusPendingReply<QDBusObjectPath> unit(answer);
        if (unit.isError())
            return; // elapsed, or stopped meanwhile
        QDBusMessage get = QDBusMessage::createMethodCall(kService, unit.value().path(),
                                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("Get"));
        get << kUnit << QStringLiteral("ActiveState");
        m_bus.ask(get, kCallTimeoutMs, this, [this, timer](const QDBusPendingCall &state) {
            const QDBusPendingReply<QDBusVariant> reply(state);
            if (reply.isError() || reply.value().variant().toString() != QLatin1String("failed"))
                return;
            if (m_timer == timer)
                m_timer.clear();
            // A failed unit stays loaded until it is reset.
            QDBusMessage reset = managerCall(QStringLiteral("ResetFailedUnit"));
            reset << timer;
            m_bus.send(reset, kCallTimeoutMs);
            refused(QStringLiteral("the user service manager does not let this user wake the machine; "
                                   "systemd allows it from version 254 on"));
        });
    });
}

void SystemdWakeAlarm::refused(const QString &why)
{
    m_refused = true;
    m_bus.warnOnce(QStringLiteral("Belltide cannot wake the machine from suspend for the alarm (%1)").arg(why));
}
