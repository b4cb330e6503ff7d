#include "dbussleepguard.h"
#include "dbuswakealarm.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <memory>

// Keeping the machine awake and waking it, against stand-ins for the desktop
// portal, the older power management service and systemd's user instance
// (python3-dbusmock templates in tests/support) on a private session bus:
// what the desktop offers and what it refuses. The wake timer's moment, its
// replacement and its end are judged with the real program (e2e_sleep,
// e2e_clockchange).
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
const Service kPortal{QStringLiteral("portal_inhibit"), QStringLiteral("org.freedesktop.portal.Desktop"),
                      QStringLiteral("/org/freedesktop/portal/desktop"), {}};
const Service kPower{QStringLiteral("power_management"), QStringLiteral("org.freedesktop.PowerManagement"),
                     QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"), {}};
const Service kSystemd{QStringLiteral("systemd_user"), QStringLiteral("org.freedesktop.systemd1"),
                       QStringLiteral("/org/freedesktop/systemd1"), {}};

// A dbus-daemon of the test's own and the stand-ins on it.
class PrivateBus
{
public:
    PrivateBus()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (m_daemon.waitForReadyRead(30000))
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        bus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(m_address, m_address));
    }
    ~PrivateBus()
    {
        for (auto &p : m_mocks) {
            p->terminate();
            p->waitForFinished(10000);
        }
        QDBusConnection::disconnectFromBus(m_address);
        m_daemon.terminate();
        m_daemon.waitForFinished(10000);
    }
    bool up() const { return bus->isConnected(); }

    // Starts a stand-in and waits until it owns its name.
    Service start(Service s, const QString &parameters = QStringLiteral("{}"))
    {
        s.log = m_dir.filePath(s.tmpl + QStringLiteral(".log"));
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--session"), QStringLiteral("-t"),
                  QStringLiteral(BELLTIDE_TEST_SUPPORT "/") + s.tmpl + QStringLiteral(".py"), QStringLiteral("-l"),
                  s.log, QStringLiteral("-p"), parameters});
        m_mocks.push_back(std::move(p));
        for (int i = 0; i < 300 && !bus->interface()->isServiceRegistered(s.name); ++i)
            QTest::qWait(100);
        return s;
    }

    // What a stand-in holds now, from its mock interface; an error is never
    // mistaken for "nothing held".
    QStringList list(const Service &s, const QString &method)
    {
        const QDBusReply<QStringList> reply =
            bus->call(QDBusMessage::createMethodCall(s.name, s.path, QStringLiteral("org.freedesktop.DBus.Mock"), method));
        return reply.isValid() ? reply.value() : QStringList{QStringLiteral("error: ") + reply.error().message()};
    }
    static QString logOf(const Service &s)
    {
        QFile f(s.log);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    std::unique_ptr<QDBusConnection> bus;

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    std::vector<std::unique_ptr<QProcess>> m_mocks;
};

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
        QVERIFY2(b->up(), "the private dbus-daemon did not start; scripts/install-deps.sh --test installs it");
    }
    void cleanup()
    {
        b.reset();
        qInstallMessageHandler(nullptr);
    }

    // One inhibition of suspend alone (never idle: the screen still blanks),
    // with its reason, through whatever the desktop offers; gone at
    // allowSleep and when the guard goes with the program.
    void oneSuspendInhibitionWhileWanted_data()
    {
        QTest::addColumn<QString>("portal"); // "", "grants", "refuses"
        QTest::addColumn<bool>("power");
        QTest::addColumn<QString>("holder"); // "portal", "power", ""
        QTest::newRow("portal") << "grants" << true << "portal";
        QTest::newRow("portal refuses") << "refuses" << true << "power";
        QTest::newRow("no portal") << "" << true << "power";
        QTest::newRow("nothing") << "" << false << "";
    }
    void oneSuspendInhibitionWhileWanted()
    {
        QFETCH(QString, portal);
        QFETCH(bool, power);
        QFETCH(QString, holder);
        Service p = kPortal, pm = kPower;
        if (!portal.isEmpty())
            p = b->start(kPortal, portal == QLatin1String("refuses") ? QStringLiteral("{\"refuse\": true}") : QStringLiteral("{}"));
        if (power)
            pm = b->start(kPower);
        const QString reason = QStringLiteral("Belltide has an alarm set for 7:30");
        auto held = [&] { return b->list(holder == QLatin1String("portal") ? p : pm, QStringLiteral("Inhibitions")); };
        auto guard = std::make_unique<DBusSleepGuard>(*b->bus);
        guard->keepAwake(reason);
        if (holder.isEmpty()) {
            QTRY_COMPARE_WITH_TIMEOUT(warnings.size(), 1, 30000);
            QVERIFY2(warnings.first().contains(QLatin1String("may sleep through the alarm")), qPrintable(warnings.first()));
            guard->allowSleep();
            guard->keepAwake(reason); // said once only
            QTest::qWait(500);
            QCOMPARE(warnings.size(), 1);
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(held().size(), 1, 30000);
        // The portal's flags: suspend (4), and not idle (8).
        QCOMPARE(held().first(), holder == QLatin1String("portal") ? QStringLiteral("4|") + reason : reason);
        guard->keepAwake(reason);
        QTest::qWait(300);
        QCOMPARE(held().size(), 1);

        guard->allowSleep();
        QTRY_COMPARE_WITH_TIMEOUT(held().size(), 0, 30000);
        guard->keepAwake(reason);
        QTRY_COMPARE_WITH_TIMEOUT(held().size(), 1, 30000);
        QTest::qWait(300); // the answer has reached the guard too
        guard.reset(); // the program's end: nothing left behind, at once
        QCOMPARE(held().size(), 0);
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
    }

    // Stop right after Set Alarm: the request on its way is ended too.
    void allowSleepBeforeTheAnswer()
    {
        const Service p = b->start(kPortal);
        DBusSleepGuard guard(*b->bus);
        guard.keepAwake(QStringLiteral("Belltide has an alarm set for 7:30"));
        guard.allowSleep();
        QTRY_VERIFY_WITH_TIMEOUT(PrivateBus::logOf(p).contains(QLatin1String("Close")), 30000);
        QCOMPARE(b->list(p, QStringLiteral("Inhibitions")).size(), 0);
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
};

QTEST_GUILESS_MAIN(TestDesktopPower)
#include "tst_desktoppower.moc"
