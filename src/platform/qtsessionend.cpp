#include "qtsessionend.h"

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
// The session monitor's states: running, screen saver, query-end, ending.
constexpr uint kQueryEnd = 3;

} // namespace

QtSessionEnd::QtSessionEnd(QObject *parent)
    : SessionEnd(parent)
{
    // XSMP: the session manager asks every client to save before it ends the
    // session. Saving means leaving here: nothing is saved while running.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) {
        if (!std::exchange(m_told, true))
            emit ending();
    });
    startPortalMonitor();
}

void QtSessionEnd::startPortalMonitor()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "belltide: no session bus; the end of a Wayland session is not watched\n");
        return;
    }
    // The request's object path is known in advance from the handle token,
    // so its Response cannot come before we listen for it.
    const QString token = QStringLiteral("belltide%1").arg(QRandomGenerator::global()->generate());
    QString sender = bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    const QString requestPath = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    bus.connect(kPortal, requestPath, kRequest, QStringLiteral("Response"), this,
                SLOT(onRequestResponse(uint, QVariantMap)));
    bus.connect(kPortal, kPortalPath, kInhibit, QStringLiteral("StateChanged"), this,
                SLOT(onStateChanged(QDBusObjectPath, QVariantMap)));

    QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPortalPath, kInhibit, QStringLiteral("CreateMonitor"));
    call << QString() << QVariantMap{{QStringLiteral("handle_token"), token}};
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, requestPath](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (reply.isError()) {
            std::fprintf(stderr, "belltide: no desktop portal session monitor (%s); the end of a Wayland session "
                                 "is not watched\n", qUtf8Printable(reply.error().name()));
        } else if (reply.value().path() != requestPath) {
            // An older portal names its request object itself.
            QDBusConnection::sessionBus().connect(kPortal, reply.value().path(), kRequest, QStringLiteral("Response"),
                                                  this, SLOT(onRequestResponse(uint, QVariantMap)));
        }
    });
}

void QtSessionEnd::onRequestResponse(uint response, const QVariantMap &results)
{
    if (response != 0)
        return;
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    m_session = handle.userType() == qMetaTypeId<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                                     : handle.toString();
}

void QtSessionEnd::onStateChanged(const QDBusObjectPath &session, const QVariantMap &state)
{
    if (m_session.isEmpty() || session.path() != m_session
        || state.value(QStringLiteral("session-state")).toUInt() != kQueryEnd)
        return;
    if (!std::exchange(m_told, true))
        emit ending();
    // The portal waits for this answer before the session goes on ending;
    // the save is made by then.
    QDBusMessage answer = QDBusMessage::createMethodCall(kPortal, kPortalPath, kInhibit,
                                                         QStringLiteral("QueryEndResponse"));
    answer << QVariant::fromValue(QDBusObjectPath(m_session));
    QDBusConnection::sessionBus().call(answer, QDBus::NoBlock);
}
