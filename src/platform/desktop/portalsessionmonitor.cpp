#include "portalsessionmonitor.h"

#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QRandomGenerator>

#include <cstdio>

namespace {

const QString kInhibit = QStringLiteral("org.freedesktop.portal.Inhibit");
// The desktop waits a second for the answer to a query-end; this is how long
// the program's end waits for it to leave.
constexpr int kAnswerTimeoutMs = 1000;

} // namespace

PortalSessionMonitor::PortalSessionMonitor(QObject *parent)
    : QObject(parent)
{
    if (!m_bus.connection().isConnected()) {
        std::fprintf(stderr, "belltide: no session bus; the end of a Wayland session is not watched\n");
        return;
    }
    const QString token = QStringLiteral("belltide%1").arg(QRandomGenerator::global()->generate());
    const QString requestPath = m_bus.portalObject("request", token);
    m_session = m_bus.portalObject("session", token);
    m_bus.watchRequest(requestPath, this, SLOT(onRequestResponse(uint, QVariantMap)));
    m_bus.connection().connect(SessionBus::kPortal, SessionBus::kPortalPath, kInhibit, QStringLiteral("StateChanged"),
                               this, SLOT(onStateChanged(QDBusObjectPath, QVariantMap)));

    QDBusMessage call = QDBusMessage::createMethodCall(SessionBus::kPortal, SessionBus::kPortalPath, kInhibit,
                                                       QStringLiteral("CreateMonitor"));
    call << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token}, {QStringLiteral("session_handle_token"), token}};
    m_bus.ask(call, -1, this, [this, requestPath](const QDBusPendingCall &answer) {
        const QDBusPendingReply<QDBusObjectPath> reply = answer;
        if (reply.isError()) {
            m_session.clear();
            std::fprintf(stderr, "belltide: no desktop portal session monitor (%s); the end of a Wayland session "
                                 "is not watched\n", qUtf8Printable(reply.error().name()));
        } else if (reply.value().path() != requestPath) {
            // An older portal names its request object itself.
            m_bus.watchRequest(reply.value().path(), this, SLOT(onRequestResponse(uint, QVariantMap)));
        }
    });
}

PortalSessionMonitor::~PortalSessionMonitor()
{
    m_bus.waitForSent();
    // The monitor goes with us: the desktop waits for no answer from it.
    if (!m_session.isEmpty()) {
        const QDBusMessage close = QDBusMessage::createMethodCall(SessionBus::kPortal, m_session,
                                                                  QStringLiteral("org.freedesktop.portal.Session"),
                                                                  QStringLiteral("Close"));
        m_bus.connection().call(close, QDBus::NoBlock);
    }
}

void PortalSessionMonitor::onRequestResponse(uint response, const QVariantMap &results)
{
    if (response != 0) {
        // The desktop has no session monitor: nothing to watch, nothing to say.
        m_session.clear();
        return;
    }
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    const QString session = handle.userType() == qMetaTypeId<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                                                 : handle.toString();
    if (!session.isEmpty())
        m_session = session;
}

void PortalSessionMonitor::onStateChanged(const QDBusObjectPath &session, const QVariantMap &state)
{
    if (m_session.isEmpty() || session.path() != m_session)
        return;
    const uint now = state.value(QStringLiteral("session-state")).toUInt();
    if (now == Ending) {
        emit ending(); // a desktop that did not ask first
    } else if (now == QueryEnd) {
        // Saved by the time the answer goes: the desktop waits for it, a
        // second at most, before it goes on ending the session.
        emit ending();
        QDBusMessage answer = QDBusMessage::createMethodCall(SessionBus::kPortal, SessionBus::kPortalPath, kInhibit,
                                                             QStringLiteral("QueryEndResponse"));
        answer << QVariant::fromValue(QDBusObjectPath(m_session));
        m_bus.send(answer, kAnswerTimeoutMs);
    }
}
