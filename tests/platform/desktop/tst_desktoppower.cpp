#include "dbussleepguard.h"
#include "systemdwakealarm.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;

// Keeping the machine awake and waking it where the desktop portal is not
// the one of today: an older portal, none at all with the older power
// management service, nothing; and systemd's user instance (which cannot run
// here), each a stand-in on the test's own session bus (tests/support/bus.sh).
// The real portal is judged in tst_portal.
namespace {

QStringList warnings;
void collect(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtWarningMsg)
        warnings << text;
}

// A python3-dbusmock stand-in from tests/support, until the object goes.
class StandIn
{
public:
    StandIn(const char *tmpl, const char *name, const char *path, const QString &parameters = u"{}"_s)
        : name(QLatin1String(name)), path(QLatin1String(path))
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(u"/usr/bin/python3"_s, {u"-m"_s, u"dbusmock"_s, u"--session"_s, u"-t"_s,
                                                 QStringLiteral(BELLTIDE_TEST_SUPPORT "/%1.py").arg(tmpl), u"-p"_s,
                                                 parameters});
        QTRY_VERIFY_WITH_TIMEOUT(registered(), 30000);
    }
    ~StandIn()
    {
        m_process.terminate();
        m_process.waitForFinished(30000);
        QTRY_VERIFY_WITH_TIMEOUT(!registered(), 30000); // gone before the next case asks
    }
    bool registered() const { return QDBusConnection::sessionBus().interface()->isServiceRegistered(name); }
    // What it holds, from its mock interface; an error is never taken for
    // "nothing held". Answered after every call the test sent it before.
    QStringList list(const QString &method) const
    {
        const QDBusReply<QStringList> reply = QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall(name, path, u"org.freedesktop.DBus.Mock"_s, method));
        return reply.isValid() ? reply.value() : QStringList{u"error: "_s + reply.error().message()};
    }

    const QString name, path;

private:
    QProcess m_process;
};

// A portal older than today's: it names the request object itself, and says
// on that object, when asked (until heard), that it refused.
class OlderPortal final : public QDBusVirtualObject
{
public:
    static inline const QString kRequest = u"/org/freedesktop/portal/desktop/request/older/1"_s;
    OlderPortal()
    {
        m_bus.registerVirtualObject(u"/org/freedesktop/portal/desktop"_s, this, QDBusConnection::SubPath);
        m_bus.registerService(u"org.freedesktop.portal.Desktop"_s);
    }
    ~OlderPortal() override { QDBusConnection::disconnectFromBus(u"older-portal"_s); }
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &call, const QDBusConnection &bus) override
    {
        if (call.member() == u"Inhibit"_s)
            return bus.send(call.createReply(QVariant::fromValue(QDBusObjectPath(kRequest))));
        return call.member() == u"Close"_s && bus.send(call.createReply());
    }
    void refuse()
    {
        m_bus.send(QDBusMessage::createSignal(kRequest, u"org.freedesktop.portal.Request"_s, u"Response"_s)
                   << 2u << QVariantMap());
    }

private:
    QDBusConnection m_bus = QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"),
                                                          u"older-portal"_s);
};

const QDateTime kWake(QDate(2026, 5, 8), QTime(7, 29), QTimeZone::utc());

} // namespace

class TestDesktopPower : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "no session bus: run inside tests/support/bus.sh");
    }
    void init()
    {
        warnings.clear();
        qInstallMessageHandler(collect);
    }
    void cleanup() { qInstallMessageHandler(nullptr); }

    // Without a portal that grants it, the older power management service
    // keeps the machine awake, with the reason. Where nothing answers, one
    // line says the machine may sleep; once, also when a later reason is
    // granted once the service has come.
    void withoutAPortal_data()
    {
        QTest::addColumn<bool>("olderPortal"); // one that refuses on a request object of its own naming
        QTest::newRow("older portal refuses") << true;
        QTest::newRow("nothing, then power management") << false;
    }
    void withoutAPortal()
    {
        QFETCH(bool, olderPortal);
        std::unique_ptr<OlderPortal> portal(olderPortal ? new OlderPortal : nullptr);
        auto guard = std::make_unique<DBusSleepGuard>(QDBusConnection::sessionBus());
        if (!olderPortal) {
            guard->keepAwake(u"Belltide has an alarm set for 7:30"_s);
            QTRY_COMPARE_WITH_TIMEOUT(warnings.size(), 1, 30000);
            QVERIFY2(warnings.first().contains(u"may sleep through the alarm"_s), qPrintable(warnings.first()));
            guard->allowSleep();
            guard->keepAwake(u"Belltide has an alarm set for 7:45"_s); // nothing yet: said no more
        }
        // KDE's power management, by the name of the older inhibition service it serves.
        const StandIn pm("powerdevil", "org.freedesktop.PowerManagement", "/org/kde/Solid/PowerManagement/PolicyAgent");
        const QString reason = u"Belltide has an alarm set for 8:05"_s;
        auto heldNow = [&] { // the older portal says its refusal until it is heard
            if (portal)
                portal->refuse();
            guard->keepAwake(reason);
            return pm.list(u"Inhibitions"_s);
        };
        QTRY_COMPARE_WITH_TIMEOUT(heldNow(), QStringList{reason}, 30000);
        guard.reset(); // the program's end: nothing left behind, at once
        QCOMPARE(pm.list(u"Inhibitions"_s), QStringList());
        QCOMPARE(warnings.size(), olderPortal ? 0 : 1);
    }

    // The wake timer as systemd's own client asks for it, property for
    // property with their types (its description aside):
    //   systemd-run --user --on-calendar=... --timer-property=WakeSystem=true --timer-property=AccuracySec=1s
    // It goes at the program's end. Refused (systemd before 254): one line,
    // no timer left, and no more asking.
    void theWakeTimerAsSystemdRunSetsIt_data()
    {
        QTest::addColumn<QString>("version");
        QTest::newRow("systemd 255") << "255";
        QTest::newRow("systemd 252, which refuses it") << "252";
    }
    void theWakeTimerAsSystemdRunSetsIt()
    {
        QFETCH(QString, version);
        const StandIn sd("systemd_user", "org.freedesktop.systemd1", "/org/freedesktop/systemd1",
                         u"{\"version\": %1}"_s.arg(version));
        auto alarm = std::make_unique<SystemdWakeAlarm>(QDBusConnection::sessionBus());
        alarm->wakeAt(kWake, u"7:30"_s);
        QTRY_COMPARE_WITH_TIMEOUT(sd.list(u"TimerProperties"_s).size(), 1, 30000);
        if (version == u"252"_s) {
            QTRY_COMPARE_WITH_TIMEOUT(warnings.size(), 1, 30000);
            QVERIFY2(warnings.first().contains(u"systemd allows it from version 254 on"_s), qPrintable(warnings[0]));
            alarm->wakeAt(kWake.addDays(1), u"7:30"_s);
        }
        alarm.reset();
        QCOMPARE(sd.list(u"Timers"_s), QStringList());
        QProcess systemdRun; // waits for a job that the stand-in never ends: ended once its call is in
        systemdRun.start(u"systemd-run"_s, {u"--user"_s, u"--no-block"_s,
                                            u"--on-calendar="_s + SystemdWakeAlarm::calendarSpec(kWake),
                                            u"--timer-property=WakeSystem=true"_s,
                                            u"--timer-property=AccuracySec=1s"_s, u"/bin/true"_s});
        QVERIFY2(systemdRun.waitForStarted(), "systemd-run is missing; scripts/install-deps.sh --test installs it");
        QTRY_COMPARE_WITH_TIMEOUT(sd.list(u"TimerProperties"_s).size(), 2, 30000);
        systemdRun.kill();
        systemdRun.waitForFinished();
        const QStringList calls = sd.list(u"TimerProperties"_s);
        QCOMPARE(calls[0], calls[1]);
    }
};

QTEST_GUILESS_MAIN(TestDesktopPower)
#include "tst_desktoppower.moc"
