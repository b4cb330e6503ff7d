#include "dbussleepguard.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString kPortalInhibit = QStringLiteral("org.freedesktop.portal.Inhibit");
const QString kPmService = QStringLiteral("org.freedesktop.PowerManagement");
const QString kPmPath = QStringLiteral("/org/freedesktop/PowerManagement/Inhibit");
const QString kPmInhibit = QStringLiteral("org.freedesktop.PowerManagement.Inhibit");

// A first request may start the portal on demand; a release must not hold
// up the program's end for long.
constexpr int kAskTimeoutMs = 10000;
constexpr int kReleaseTimeoutMs = 3000;

} // namespace

DBusSleepGuard::DBusSleepGuard(QObject *parent)
    : QObject(parent)
{
}

DBusSleepGuard::DBusSleepGuard(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
{
}

DBusSleepGuard::~DBusSleepGuard()
{
    endAndWait();
}

void DBusSleepGuard::endAndWait()
{
    m_wanted = false;
    if (m_asking.via != Via::Nothing && !m_callAnswered) {
        // The answer decides what there is to end.
        delete m_askWatcher;
        m_askWatcher = nullptr;
        m_ask->waitForFinished();
        answered(*m_ask);
    }
    if (m_asking.via == Via::Portal) {
        // Its request object exists: closing it ends the inhibition, whatever
        // the portal's answer will be.
        Inhibition asking = std::exchange(m_asking, {});
        release(asking);
    }
    release(m_held);
    m_bus.waitForSent();
}

void DBusSleepGuard::keepAwake(const QString &reason)
{
    m_wanted = true;
    m_reason = reason;
    if (m_asking.via != Via::Nothing)
        return; // its answer looks at the reason again
    if (m_held.via != Via::Nothing && m_held.reason == reason)
        return;
    if (!m_bus.connection().isConnected()) {
        nothingKeepsAwake(QStringLiteral("there is no session bus"));
        return;
    }
    askPortal();
}

void DBusSleepGuard::allowSleep()
{
    m_wanted = false;
    release(m_held);
    // A portal request whose call has been answered has its object to close;
    // a call still on its way is ended when its answer comes.
    if (m_asking.via == Via::Portal && m_callAnswered) {
        Inhibition asking = std::exchange(m_asking, {});
        release(asking);
    }
}

void DBusSleepGuard::askPortal()
{
    const QString token = QStringLiteral("belltide_%1").arg(++m_tokens);
    m_asking = Inhibition{Via::Portal, m_reason, m_bus.portalObject("request", token), 0};
    m_portalResponse.reset();
    watch(m_asking.requestPath, true);

    QDBusMessage call = QDBusMessage::createMethodCall(SessionBus::kPortal, SessionBus::kPortalPath, kPortalInhibit,
                                                       QStringLiteral("Inhibit"));
    call << QString() << kSuspendFlag
         << QVariantMap{{QStringLiteral("handle_token"), token}, {QStringLiteral("reason"), m_reason}};
    send(call);
}

void DBusSleepGuard::askPowerManagement(const QString &whyNotPortal)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kPmService, kPmPath, kPmInhibit, QStringLiteral("Inhibit"));
    call << QStringLiteral("Belltide") << m_reason;
    m_asking = Inhibition{Via::PowerManagement, m_reason, {}, 0};
    m_whyNotPortal = whyNotPortal;
    send(call);
}

void DBusSleepGuard::send(const QDBusMessage &call)
{
    m_callAnswered = false;
    m_ask = m_bus.connection().asyncCall(call, kAskTimeoutMs);
    m_askWatcher = new QDBusPendingCallWatcher(*m_ask, this);
    connect(m_askWatcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        m_askWatcher = nullptr;
        answered(*w);
    });
}

void DBusSleepGuard::answered(const QDBusPendingCall &call)
{
    m_callAnswered = true;
    if (m_asking.via == Via::PowerManagement) {
        const QDBusPendingReply<uint> reply(call);
        if (reply.isError()) {
            m_asking = {};
            notGranted(m_whyNotPortal + QStringLiteral("; ") + reply.error().message());
            return;
        }
        m_asking.cookie = reply.value();
        granted();
        return;
    }
    const QDBusPendingReply<QDBusObjectPath> reply(call);
    if (reply.isError()) {
        watch(std::exchange(m_asking, {}).requestPath, false);
        if (m_wanted)
            askPowerManagement(reply.error().message());
        return;
    }
    const QString path = reply.value().path();
    if (path != m_asking.requestPath) {
        // An older portal names the request object itself, and its answer
        // may have gone by unheard: taken as granted, and a refusal on that
        // object still ends it.
        watch(m_asking.requestPath, false);
        m_asking.requestPath = path;
        watch(path, true);
        if (!m_portalResponse)
            m_portalResponse = 0;
    }
    if (m_portalResponse)
        portalAnswered(*m_portalResponse);
}

void DBusSleepGuard::portalResponse(uint response, const QVariantMap &)
{
    const QString path = message().path();
    if (m_asking.via == Via::Portal && path == m_asking.requestPath) {
        if (m_callAnswered)
            portalAnswered(response);
        else
            m_portalResponse = response; // decided when the call itself returns
    } else if (m_held.via == Via::Portal && path == m_held.requestPath && response != 0) {
        // The inhibition did not take: nothing to close.
        watch(path, false);
        m_held = {};
        if (m_wanted && m_asking.via == Via::Nothing)
            askPowerManagement(QStringLiteral("the desktop portal refused"));
    }
}

void DBusSleepGuard::portalAnswered(uint response)
{
    if (response == 0) {
        granted();
        return;
    }
    watch(std::exchange(m_asking, {}).requestPath, false);
    if (m_wanted)
        askPowerManagement(QStringLiteral("the desktop portal refused"));
}

void DBusSleepGuard::granted()
{
    Inhibition now = std::exchange(m_asking, {});
    // The inhibition it replaces ends only now that the new one holds.
    release(m_held);
    m_held = now;
    if (!m_wanted)
        release(m_held);
    else if (m_held.reason != m_reason)
        askPortal(); // the reason changed again meanwhile
}

void DBusSleepGuard::notGranted(const QString &why)
{
    // An inhibition held for the reason before still keeps the machine awake.
    if (m_held.via == Via::Nothing)
        nothingKeepsAwake(why);
}

void DBusSleepGuard::release(Inhibition &inhibition)
{
    const Inhibition held = std::exchange(inhibition, {});
    QDBusMessage call;
    if (held.via == Via::Portal) {
        watch(held.requestPath, false);
        call = QDBusMessage::createMethodCall(SessionBus::kPortal, held.requestPath, SessionBus::kRequest,
                                              QStringLiteral("Close"));
    } else if (held.via == Via::PowerManagement) {
        call = QDBusMessage::createMethodCall(kPmService, kPmPath, kPmInhibit, QStringLiteral("UnInhibit"));
        call << held.cookie;
    } else {
        return;
    }
    m_bus.send(call, kReleaseTimeoutMs);
}

void DBusSleepGuard::watch(const QString &requestPath, bool on)
{
    m_bus.watchRequest(requestPath, this, SLOT(portalResponse(uint, QVariantMap)), on);
}

void DBusSleepGuard::nothingKeepsAwake(const QString &why)
{
    m_bus.warnOnce(QStringLiteral("Belltide cannot keep the machine from suspending while an alarm is set (%1): "
                                  "the machine may sleep through the alarm")
                       .arg(why));
}
