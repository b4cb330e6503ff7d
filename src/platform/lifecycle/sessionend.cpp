#include "sessionend.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QSessionManager>

#include <cstdio>

namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInhibit = QStringLiteral("org.freedesktop.portal.Inhibit");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
// The desktop waits a second for the answer to a query-end; this is how long
// the program's end waits for it to leave.
constexpr int kAnswerTimeoutMs = 1000;

} // namespace

SessionEnd::SessionEnd(QObject *parent)
    : QObject(parent)
{
    // XSMP: the session manager asks every client to save before it ends the
    // session. Saving means leaving here: nothing is saved while running.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) { endOnce(); });
    startPortalMonitor();
}

SessionEnd::~SessionEnd()
{
    if (m_answer)
        m_answer->waitForFinished();
    // The monitor goes with us: the desktop waits for no answer from it.
    if (!m_session.isEmpty()) {
        const QDBusMessage close = QDBusMessage::createMethodCall(kPortal, m_session,
                                                                  QStringLiteral("org.freedesktop.portal.Session"),
                                                                  QStringLiteral("Close"));
        QDBusConnection::sessionBus().call(close, QDBus::NoBlock);
    }
}

void SessionEnd::endOnce()
{
    if (!std::exchange(m_told, true))
        emit ending();
}

void SessionEnd::startPortalMonitor()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "belltide: no session bus; the end of a Wayland session is not watched\n");
        return;
    }
    // The request's and the session's object paths are known in advance
    // from their tokens, so neither the answer nor the first state can come
    // before we listen for them.
    const QString token = QStringLiteral("belltide%1").arg(QRandomGenerator::global()->generate());
    QString sender = bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    const QString requestPath = kPortalPath + QStringLiteral("/request/") + sender + u'/' + token;
    m_session = kPortalPath + QStringLiteral("/session/") + sender + u'/' + token;
    bus.connect(kPortal, requestPath, kRequest, QStringLiteral("Response"), this,
                SLOT(onRequestResponse(uint, QVariantMap)));
    bus.connect(kPortal, kPortalPath, kInhibit, QStringLiteral("StateChanged"), this,
                SLOT(onStateChanged(QDBusObjectPath, QVariantMap)));

    QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPortalPath, kInhibit, QStringLiteral("CreateMonitor"));
    call << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token}, {QStringLiteral("session_handle_token"), token}};
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, requestPath](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (reply.isError()) {
            m_session.clear();
            std::fprintf(stderr, "belltide: no desktop portal session monitor (%s); the end of a Wayland session "
                                 "is not watched\n", qUtf8Printable(reply.error().name()));
        } else if (reply.value().path() != requestPath) {
            // An older portal names its request object itself.
            QDBusConnection::sessionBus().connect(kPortal, reply.value().path(), kRequest, QStringLiteral("Response"),
                                                  this, SLOT(onRequestResponse(uint, QVariantMap)));
        }
    });
}

void SessionEnd::onRequestResponse(uint response, const QVariantMap &results)
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

void SessionEnd::onStateChanged(const QDBusObjectPath &session, const QVariantMap &state)
{
    if (m_session.isEmpty() || session.path() != m_session)
        return;
    const uint now = state.value(QStringLiteral("session-state")).toUInt();
    if (now == Ending) {
        endOnce(); // a desktop that did not ask first
    } else if (now == QueryEnd) {
        // Saved by the time the answer goes: the desktop waits for it, a
        // second at most, before it goes on ending the session.
        endOnce();
        QDBusMessage answer = QDBusMessage::createMethodCall(kPortal, kPortalPath, kInhibit,
                                                             QStringLiteral("QueryEndResponse"));
        answer << QVariant::fromValue(QDBusObjectPath(m_session));
        m_answer = QDBusConnection::sessionBus().asyncCall(answer, kAnswerTimeoutMs);
    }
}
