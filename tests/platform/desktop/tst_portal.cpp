#include "dbussleepguard.h"
#include "fakes.h"
#include "portalsessionmonitor.h"
#include "programend.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

// Against the real desktop portal and its GNOME or KDE backend, with
// stand-ins only beneath the backend (tests/support/portal.sh): what reaches
// GNOME's session manager or KDE's power management when the machine is kept
// awake, and the end of the session as GNOME's session manager announces it.
namespace {

const bool kGnome = qgetenv("PORTAL_DESKTOP") == "GNOME";

QString reason(const char *time)
{
    return u"Belltide has an alarm set for %1"_s.arg(QLatin1String(time));
}

// A method of the stand-in beneath the backend, on its mock interface.
QDBusMessage standIn(const QString &method, const QVariantList &arguments = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(qEnvironmentVariable("POWER_NAME"),
                                                       qEnvironmentVariable("POWER_PATH"),
                                                       u"org.freedesktop.DBus.Mock"_s, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call);
}
// What it holds, as "kind|reason": GNOME's flags (4 is suspend alone) or
// KDE's inhibition types (1 is suspend); and how many after each change.
QStringList held()
{
    const QDBusReply<QStringList> reply = standIn(u"Inhibitions"_s);
    return reply.isValid() ? reply.value() : QStringList{u"error: "_s + reply.error().message()};
}
QStringList heldFor(const char *time)
{
    return {(kGnome ? u"4|"_s : u"1|"_s) + reason(time)};
}
QList<uint> counts()
{
    return QDBusReply<QList<uint>>(standIn(u"Counts"_s)).value();
}

QByteArray backendLog()
{
    return FakePlatform::bytes(qEnvironmentVariable("BACKEND_LOG"));
}

} // namespace

// What the portal says to this program: the answers to its session monitor
// requests and the monitor's states.
class PortalSignals : public QObject, protected QDBusContext
{
    Q_OBJECT

public:
    QStringList monitorAnswers; // "response" for each CreateMonitor request of the program's
    QList<uint> states;

public slots:
    void response(uint response, const QVariantMap &) {
        if (message().path().contains(QRegularExpression(u"/belltide[0-9]+$"_s)))
            monitorAnswers << QString::number(response);
    }
    void stateChanged(const QDBusObjectPath &, const QVariantMap &state) {
        states << state.value(u"session-state"_s).toUInt();
    }
};

class TestPortal : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(!qEnvironmentVariableIsEmpty("POWER_NAME"), "run inside tests/support/portal.sh GNOME|KDE");
    }

    // One inhibition of suspend alone, naming the alarm's time; a new time
    // takes a new one before the old one ends; none after allowSleep or the
    // program's end.
    void oneInhibitionNamingTheAlarm() {
        const qsizetype before = counts().size();
        auto guard = std::make_unique<DBusSleepGuard>(QDBusConnection::sessionBus());
        guard->keepAwake(reason("5:29"));
        QTRY_COMPARE_WITH_TIMEOUT(held(), heldFor("5:29"), 30000);
        guard->keepAwake(reason("5:29")); // the same: nothing new
        guard->keepAwake(reason("6:29"));
        QTRY_COMPARE_WITH_TIMEOUT(held(), heldFor("6:29"), 30000);
        guard->allowSleep();
        QTRY_COMPARE_WITH_TIMEOUT(held(), QStringList(), 30000);
        // Stopped before the portal answered: that request ends too.
        guard->keepAwake(reason("7:30"));
        guard->allowSleep();
        guard->keepAwake(reason("7:45"));
        QTRY_COMPARE_WITH_TIMEOUT(held(), heldFor("7:45"), 30000);
        guard.reset(); // the program's end
        QTRY_COMPARE_WITH_TIMEOUT(held(), QStringList(), 30000);
        const QList<uint> changes = counts().mid(before);
        QCOMPARE(changes.mid(0, 4), (QList<uint>{1, 2, 1, 0})); // never a moment with none while wanted
    }

    // GNOME's session manager ends the session: the query-end saves through
    // the main window's exit, once, and the backend goes on at Belltide's
    // answer, not at the end of its second of waiting. KDE's backend has no
    // session monitor: nothing is saved, nothing said.
    void theSessionsEnd_data() {
        QTest::addColumn<QStringList>("steps"); // the session manager's signals
        QTest::addColumn<QList<uint>>("states"); // the monitor's state after each
        if (kGnome) {
            QTest::newRow("query-end, then ending") << QStringList{"QueryEndSession", "EndSession"}
                                                    << QList<uint>{2, 3};
            QTest::newRow("ending without a query") << QStringList{"EndSession"} << QList<uint>{3};
        } else {
            QTest::newRow("no session monitor") << QStringList() << QList<uint>();
        }
    }
    void theSessionsEnd() {
        QFETCH(QStringList, steps);
        QFETCH(QList<uint>, states);
        QDBusConnection bus = QDBusConnection::sessionBus();
        PortalSignals portal;
        bus.connect({}, {}, u"org.freedesktop.portal.Request"_s, u"Response"_s, &portal,
                    SLOT(response(uint, QVariantMap)));
        bus.connect({}, u"/org/freedesktop/portal/desktop"_s, u"org.freedesktop.portal.Inhibit"_s, u"StateChanged"_s,
                    &portal, SLOT(stateChanged(QDBusObjectPath, QVariantMap)));
        Program b;
        b.start();
        b.ui().TxtTime->setText(u"6:30"_s); // typed, not set
        const QByteArray said = stderrOf([&] {
            auto sessionEnd = std::make_unique<PortalSessionMonitor>();
            connect(sessionEnd.get(), &PortalSessionMonitor::ending, &b.w->programEnd(), &ProgramEnd::sessionEnding);
            QTRY_COMPARE_WITH_TIMEOUT(portal.monitorAnswers, QStringList{kGnome ? "0" : "2"}, 30000);
            const qsizetype answered = backendLog().count("No more pending QueryEndResponse calls");
            const qsizetype timedOut = backendLog().count("Stop waiting for QueryEndResponse calls");
            portal.states.clear();
            for (int i = 0; i < steps.size(); ++i) {
                const QDBusMessage reply = standIn(u"EndSessionStep"_s, {steps[i]});
                QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
                QTRY_VERIFY_WITH_TIMEOUT(portal.states.contains(states[i]), 30000);
                // Saved by the query-end already, or by the end without one.
                QTRY_COMPARE_WITH_TIMEOUT(b.p.process.ends, 1, 30000);
                QVERIFY(FakePlatform::bytes(b.p.settingsFile()).contains("timealarm=\"6:30\""));
                if (steps[i] == u"QueryEndSession"_s) {
                    QTRY_COMPARE_WITH_TIMEOUT(backendLog().count("Stop waiting for QueryEndResponse calls"),
                                              timedOut + 1, 30000);
                    QCOMPARE(backendLog().count("No more pending QueryEndResponse calls"), answered + 1);
                }
            }
        });
        QCOMPARE(b.p.process.ends, steps.isEmpty() ? 0 : 1);
        QCOMPARE(said, QByteArray());
    }
};

QTEST_MAIN(TestPortal)
#include "tst_portal.moc"
