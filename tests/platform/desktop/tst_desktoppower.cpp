#include "dbussleepguard.h"
#include "systemdwakealarm.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVirtualObject>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <memory>

using namespace Qt::StringLiterals;

// Keeping the machine awake and waking it where the desktop portal is not
// the one of today: an older portal, none at all with the older power
// management service, nothing; and systemd's user instance (which cannot run
// here), each a stand-in on a private session bus (python3-dbusmock templates
// in tests/support). The real portal is judged in tst_portal; the wake
// timer's moment, its replacement and its end with the real program
// (e2e_sleep_*, e2e_clockchange).
namespace {

QStringList warnings;
void collect(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtWarningMsg)
        warnings << text;
}

// A stand-in: its template in tests/support, and where it answers.
struct Service
{
    QString tmpl, name, path, log;
};
const Service kPower{QStringLiteral("power_management"), QStringLiteral("org.freedesktop.PowerManagement"),
                     QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"), {}};
const Service kSystemd{QStringLiteral("systemd_user"), QStringLiteral("org.freedesktop.systemd1"),
                       QStringLiteral("/org/freedesktop/systemd1"), {}};

// The test's own session bus (tests/support/bus.sh) and the stand-ins on it,
// which end with the test case.
class PrivateBus
{
public:
    ~PrivateBus()
    {
        for (auto &p : m_mocks) {
            p->terminate();
            p->waitForFinished(10000);
        }
        for (const QString &name : m_names) { // gone before the next case asks
            for (int i = 0; i < 300 && bus->interface()->isServiceRegistered(name); ++i)
                QTest::qWait(100);
        }
    }
    bool up() const { return bus->isConnected(); }
    QString address() const { return qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"); }

    // Starts a stand-in and waits until it owns its name.
    Service start(Service s, const QString &parameters = QStringLiteral("{}"))
    {
        s.log = m_dir.filePath(s.tmpl + QStringLiteral(".log"));
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--session"), QStringLiteral("-t"),
                  QStringLiteral(BELLTIDE_TEST_SUPPORT "/") + s.tmpl + QStringLiteral(".py"), QStringLiteral("-l"),
                  s.log, QStringLiteral("-p"), parameters});
        m_mocks.push_back(std::move(p));
        m_names << s.name;
        for (int i = 0; i < 300 && !bus->interface()->isServiceRegistered(s.name); ++i)
            QTest::qWait(100);
        return s;
    }

    // What a stand-in holds now, from its mock interface; an error is never
    // mistaken for "nothing held".
    QStringList list(const Service &s, const QString &method)
    {
        const QDBusReply<QStringList> reply =
            bus->call(QDBusMessage::createMethodCall(s.name, s.path, u"org.freedesktop.DBus.Mock"_s, method));
        return reply.isValid() ? reply.value() : QStringList{QStringLiteral("error: ") + reply.error().message()};
    }
    static QString logOf(const Service &s)
    {
        QFile f(s.log);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    std::unique_ptr<QDBusConnection> bus = std::make_unique<QDBusConnection>(QDBusConnection::sessionBus());

private:
    QTemporaryDir m_dir;
    QStringList m_names;
    std::vector<std::unique_ptr<QProcess>> m_mocks;
};

// A portal older than today's: it names the request object itself, and says
// on that object, when asked (until heard), that it refused.
class OlderPortal final : public QDBusVirtualObject
{
public:
    static inline const QString kRequest = QStringLiteral("/org/freedesktop/portal/desktop/request/older/1");
    explicit OlderPortal(const QString &address)
        : m_bus(QDBusConnection::connectToBus(address, QStringLiteral("older-portal")))
    {
        m_bus.registerVirtualObject(QStringLiteral("/org/freedesktop/portal/desktop"), this,
                                    QDBusConnection::SubPath);
        m_bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
    }
    ~OlderPortal() override { QDBusConnection::disconnectFromBus(QStringLiteral("older-portal")); }
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &call, const QDBusConnection &bus) override
    {
        if (call.member() == QLatin1String("Inhibit"))
            return bus.send(call.createReply(QVariant::fromValue(QDBusObjectPath(kRequest))));
        return call.member() == QLatin1String("Close") && bus.send(call.createReply());
    }
    void refuse()
    {
        m_bus.send(QDBusMessage::createSignal(kRequest, QStringLiteral("org.freedesktop.portal.Request"),
                                              QStringLiteral("Response"))
                   << 2u << QVariantMap());
    }

private:
    QDBusConnection m_bus;
};

// The timer units' properties in a StartTransientUnit call as dbus-monitor
// prints it: each name with its variant's type and value, spaces collapsed.
QMap<QString, QString> unitProperties(const QStringList &lines)
{
    QMap<QString, QString> properties;
    for (qsizetype i = 0; i + 2 < lines.size(); ++i) {
        if (lines[i] != QLatin1String("struct {") || !lines[i + 1].startsWith(QLatin1String("string \""))
            || !lines[i + 2].startsWith(QLatin1String("variant")))
            continue;
        QStringList value;
        for (qsizetype j = i + 2, depth = 1; j < lines.size(); ++j) {
            depth += lines[j].endsWith(u'{') || lines[j].endsWith(u'[') ? 1 : 0;
            depth -= lines[j] == QLatin1String("}") || lines[j] == QLatin1String("]") ? 1 : 0;
            if (depth == 0)
                break;
            value << lines[j];
        }
        properties.insert(lines[i + 1], value.join(u' '));
    }
    return properties;
}

} // namespace

class TestDesktopPower : public QObject
{
    Q_OBJECT
    std::unique_ptr<PrivateBus> b;

private slots:
    void initTestCase()
    {
        QProcess probe;
        probe.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral("import dbusmock")});
        QVERIFY2(probe.waitForFinished(30000) && probe.exitCode() == 0,
                 "python3-dbusmock is missing; scripts/install-deps.sh --test installs it");
    }
    void init()
    {
        warnings.clear();
        qInstallMessageHandler(collect);
        b = std::make_unique<PrivateBus>();
        QVERIFY2(b->up(), "no session bus: run inside tests/support/bus.sh");
    }
    void cleanup()
    {
        b.reset();
        qInstallMessageHandler(nullptr);
    }

    // Without a portal that grants it, the older power management service
    // keeps the machine awake, with the reason; without that either, one
    // line says the machine may sleep.
    void withoutAPortal_data()
    {
        QTest::addColumn<bool>("olderPortal"); // one that refuses on a request object of its own naming
        QTest::addColumn<bool>("power");
        QTest::newRow("older portal refuses") << true << true;
        QTest::newRow("no portal") << false << true;
        QTest::newRow("nothing") << false << false;
    }
    void withoutAPortal()
    {
        QFETCH(bool, olderPortal);
        QFETCH(bool, power);
        std::unique_ptr<OlderPortal> portal(olderPortal ? new OlderPortal(b->address()) : nullptr);
        const Service pm = power ? b->start(kPower) : kPower;
        const QString reason = QStringLiteral("Belltide has an alarm set for 7:30");
        auto held = [&] { return b->list(pm, QStringLiteral("Inhibitions")); };
        auto guard = std::make_unique<DBusSleepGuard>(*b->bus);
        guard->keepAwake(reason);
        if (!power) {
            QTRY_COMPARE_WITH_TIMEOUT(warnings.size(), 1, 30000);
            QVERIFY2(warnings.first().contains(u"may sleep through the alarm"_s), qPrintable(warnings.first()));
            guard->allowSleep();
            guard->keepAwake(reason); // said once only
            QTest::qWait(500);
            QCOMPARE(warnings.size(), 1);
            return;
        }
        // The older portal says its refusal until it is heard.
        auto heldNow = [&] {
            if (portal)
                portal->refuse();
            return held();
        };
        QTRY_COMPARE_WITH_TIMEOUT(heldNow(), QStringList{reason}, 30000);
        guard->keepAwake(QStringLiteral("Belltide has an alarm set for 8:05")); // the new one first
        QTRY_COMPARE_WITH_TIMEOUT(heldNow(), QStringList{QStringLiteral("Belltide has an alarm set for 8:05")}, 30000);
        guard.reset(); // the program's end: nothing left behind, at once
        QCOMPARE(held().size(), 0);
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
    }

    // Refused (systemd before 254, or no user service manager): one line,
    // no timer left, and no more asking.
    void aRefusedWakeIsToldOnce_data()
    {
        QTest::addColumn<QString>("version"); // "": no service manager
        QTest::addColumn<QString>("said");
        QTest::newRow("systemd 252") << "252" << "systemd allows it from version 254 on";
        QTest::newRow("no service manager") << "" << "there is no user service manager";
    }
    void aRefusedWakeIsToldOnce()
    {
        QFETCH(QString, version);
        QFETCH(QString, said);
        Service sd = kSystemd;
        if (!version.isEmpty())
            sd = b->start(kSystemd, QStringLiteral("{\"version\": %1}").arg(version));
        SystemdWakeAlarm alarm(*b->bus);
        alarm.wakeAt(QDateTime(QDate(2026, 5, 7), QTime(7, 29), QTimeZone::utc()), QStringLiteral("7:30"));
        QTRY_COMPARE_WITH_TIMEOUT(warnings.size(), 1, 30000);
        QVERIFY2(warnings.first().contains(said), qPrintable(warnings.first()));
        alarm.wakeAt(QDateTime(QDate(2026, 5, 8), QTime(7, 29), QTimeZone::utc()), QStringLiteral("7:30"));
        QTest::qWait(300);
        QCOMPARE(warnings.size(), 1);
        if (!version.isEmpty()) {
            QTRY_COMPARE_WITH_TIMEOUT(b->list(sd, QStringLiteral("Timers")).size(), 0, 30000);
            QCOMPARE(PrivateBus::logOf(sd).count(QLatin1String("StartTransientUnit")), 1);
        }
    }

    // The wake timer as systemd's own client asks for it:
    //   systemd-run --user --on-calendar=... --timer-property=WakeSystem=true --timer-property=AccuracySec=1s
    // property for property, as dbus-monitor reads both calls (the
    // description aside, and systemd-run's AddRef, which would end the unit
    // with the client).
    void theWakeTimerAsSystemdRunSetsIt()
    {
        const Service sd = b->start(kSystemd);
        QProcess monitor;
        monitor.start(QStringLiteral("dbus-monitor"),
                      {QStringLiteral("--address"), b->address(),
                       QStringLiteral("type='method_call',member='StartTransientUnit'")});
        QVERIFY2(monitor.waitForStarted(), "dbus-monitor is missing; scripts/install-deps.sh --test installs it");
        QTRY_VERIFY_WITH_TIMEOUT(monitor.bytesAvailable() > 0, 30000); // it has said hello to the bus
        const QDateTime when(QDate(2026, 5, 8), QTime(7, 29), QTimeZone::utc());
        SystemdWakeAlarm alarm(*b->bus);
        alarm.wakeAt(when, QStringLiteral("7:30"));
        QTRY_COMPARE_WITH_TIMEOUT(PrivateBus::logOf(sd).count(QLatin1String("StartTransientUnit")), 1, 30000);
        QProcess systemdRun; // waits for a job that the stand-in never ends: ended once its call is in
        systemdRun.start(QStringLiteral("systemd-run"),
                         {QStringLiteral("--user"), QStringLiteral("--no-block"),
                          QStringLiteral("--on-calendar=") + SystemdWakeAlarm::calendarSpec(when),
                          QStringLiteral("--timer-property=WakeSystem=true"),
                          QStringLiteral("--timer-property=AccuracySec=1s"), QStringLiteral("/bin/true")});
        QVERIFY2(systemdRun.waitForStarted(), "systemd-run is missing; scripts/install-deps.sh --test installs it");
        QTRY_COMPARE_WITH_TIMEOUT(PrivateBus::logOf(sd).count(QLatin1String("StartTransientUnit")), 2, 30000);
        systemdRun.kill();
        systemdRun.waitForFinished();
        QTRY_COMPARE_WITH_TIMEOUT(monitor.peek(1 << 20).count("member=StartTransientUnit"), 2, 30000);
        monitor.terminate();
        monitor.waitForFinished();

        QList<QMap<QString, QString>> calls;
        for (const QString &call : QString::fromUtf8(monitor.readAll()).split(QStringLiteral("method call"))) {
            QStringList lines;
            for (const QString &line : call.split(u'\n'))
                lines << line.simplified();
            calls << unitProperties(lines);
        }
        calls.removeAll({});
        QCOMPARE(calls.size(), 2);
        QMap<QString, QString> ours = calls[0], systemds = calls[1];
        for (const char *aside : {"string \"Description\"", "string \"AddRef\""}) {
            ours.remove(QLatin1String(aside));
            systemds.remove(QLatin1String(aside));
        }
        QCOMPARE(ours.keys(), systemds.keys());
        QCOMPARE(ours, systemds);
    }
};

QTEST_GUILESS_MAIN(TestDesktopPower)
#include "tst_desktoppower.moc"
