#include "dbussleepguard.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kPortalInhibit = QStringLiteral("org.freedesktop.portal.Inhibit");
const QString kPortalRequest = QStringLiteral("org.freedesktop.portal.Request");
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

QDBusConnection &DBusSleepGuard::bus()
{
    if (!m_bus)
        m_bus = QDBusConnection::sessionBus();
    return *m_bus;
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
    if (m_asking != Via::Nothing) {
        // The answer decides what there is to end.
        delete m_askWatcher;
        m_askWatcher = nullptr;
        m_ask->waitForFinished();
        answered(*m_ask);
    }
    release();
    for (QDBusPendingCall &call : m_releases)
        call.waitForFinished();
}

void DBusSleepGuard::keepAwake(const QString &reason)
{
    m_wanted = true;
    m_reason = reason;
    if (m_asking != Via::Nothing || m_held != Via::Nothing)
        return;
    if (!bus().isConnected()) {
        nothingKeepsAwake(QStringLiteral("there is no session bus"));
        return;
    }
    askPortal();
}

void DBusSleepGuard::allowSleep()
{
    m_wanted = false;
    // A request on its way is ended when its answer comes.
    if (m_asking == Via::Nothing)
        release();
}

void DBusSleepGuard::askPortal()
{
    const QString token = QStringLiteral("belltide_%1").arg(++m_tokens);
    // The request object's path is known before the call, so its answer
    // cannot come before we listen for it.
    QString sender = bus().baseService().mid(1);
    sender.replace(u'.', u'_');
    m_requestPath = kPortalPath + QStringLiteral("/request/") + sender + u'/' + token;
    m_portalRefused = false;
    bus().connect(kPortalService, m_requestPath, kPortalRequest, QStringLiteral("Response"), this,
                  SLOT(portalResponse(uint, QVariantMap)));

    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kPortalInhibit,
                                                       QStringLiteral("Inhibit"));
    call << QString() << kSuspendFlag
         << QVariantMap{{QStringLiteral("handle_token"), token}, {QStringLiteral("reason"), m_reason}};
    ask(Via::Portal, call);
}

void DBusSleepGuard::askPowerManagement(const QString &whyNotPortal)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kPmService, kPmPath, kPmInhibit, QStringLiteral("Inhibit"));
    call << QStringLiteral("Belltide") << m_reason;
    m_whyNotPortal = whyNotPortal;
    ask(Via::PowerManagement, call);
}

void DBusSleepGuard::ask(Via via, const QDBusMessage &call)
{
    m_asking = via;
    m_ask = bus().asyncCall(call, kAskTimeoutMs);
    m_askWatcher = new QDBusPendingCallWatcher(*m_ask, this);
    connect(m_askWatcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        m_askWatcher = nullptr;
        answered(*w);
    });
}

void DBusSleepGuard::answered(const QDBusPendingCall &call)
{
    const Via asked = std::exchange(m_asking, Via::Nothing);
    if (asked == Via::Portal) {
        const QDBusPendingReply<QDBusObjectPath> reply(call);
        if (reply.isError() || m_portalRefused) {
            unwatchPortalRequest();
            if (m_wanted)
                askPowerManagement(reply.isError() ? reply.error().message()
                                                   : QStringLiteral("the desktop portal refused"));
            return;
        }
        m_held = Via::Portal;
        // Older portals may name the request object otherwise.
        const QString path = reply.value().path();
        if (path != m_requestPath) {
            unwatchPortalRequest();
            m_requestPath = path;
        }
    } else if (asked == Via::PowerManagement) {
        const QDBusPendingReply<uint> reply(call);
        if (reply.isError()) {
            nothingKeepsAwake(m_whyNotPortal + QStringLiteral("; ") + reply.error().message());
            return;
        }
        m_held = Via::PowerManagement;
        m_cookie = reply.value();
    }
    if (!m_wanted)
        release();
}

void DBusSleepGuard::portalResponse(uint response, const QVariantMap &)
{
    if (response == 0)
        return;
    if (m_asking == Via::Portal) {
        m_portalRefused = true; // decided when the call itself returns
    } else if (m_held == Via::Portal) {
        // The inhibition did not take: nothing to close.
        m_held = Via::Nothing;
        unwatchPortalRequest();
        if (m_wanted)
            askPowerManagement(QStringLiteral("the desktop portal refused"));
    }
}

void DBusSleepGuard::release()
{
    const Via held = std::exchange(m_held, Via::Nothing);
    QDBusMessage call;
    if (held == Via::Portal) {
        unwatchPortalRequest();
        call = QDBusMessage::createMethodCall(kPortalService, m_requestPath, kPortalRequest, QStringLiteral("Close"));
    } else if (held == Via::PowerManagement) {
        call = QDBusMessage::createMethodCall(kPmService, kPmPath, kPmInhibit, QStringLiteral("UnInhibit"));
        call << m_cookie;
    } else {
        return;
    }
    m_releases.removeIf([](const QDBusPendingCall &c) { return c.isFinished(); });
    m_releases.append(bus().asyncCall(call, kReleaseTimeoutMs));
}

void DBusSleepGuard::unwatchPortalRequest()
{
    bus().disconnect(kPortalService, m_requestPath, kPortalRequest, QStringLiteral("Response"), this,
                     SLOT(portalResponse(uint, QVariantMap)));
}

void DBusSleepGuard::nothingKeepsAwake(const QString &why)
{
    if (std::exchange(m_told, true))
        return;
    qWarning("Belltide cannot keep the machine from suspending while an alarm is set (%s): "
             "the machine may sleep through the alarm",
             qUtf8Printable(why));
}
