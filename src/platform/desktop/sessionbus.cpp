#include "sessionbus.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

SessionBus::SessionBus(const QDBusConnection &bus)
    : m_bus(bus)
{
}

QDBusConnection &SessionBus::connection()
{
    if (!m_bus)
        m_bus = QDBusConnection::sessionBus();
    return *m_bus;
}

void SessionBus::ask(const QDBusMessage &call, int timeoutMs, QObject *context,
                     std::function<void(const QDBusPendingCall &)> answered)
{
    auto *watcher = new QDBusPendingCallWatcher(connection().asyncCall(call, timeoutMs), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [answered = std::move(answered)](QDBusPendingCallWatcher *w) {
                         w->deleteLater();
                         answered(*w);
                     });
}

void SessionBus::send(const QDBusMessage &call, int timeoutMs)
{
    m_sent.removeIf([](const QDBusPendingCall &c) { return c.isFinished(); });
    m_sent.append(connection().asyncCall(call, timeoutMs));
}

void SessionBus::waitForSent()
{
    for (QDBusPendingCall &call : m_sent)
        call.waitForFinished();
}

void SessionBus::warnOnce(const QString &text)
{
    if (!std::exchange(m_warned, true))
        qWarning("%s", qUtf8Printable(text));
}

QString SessionBus::portalObject(const char *kind, const QString &token)
{
    QString sender = connection().baseService().mid(1);
    sender.replace(u'.', u'_');
    return kPortalPath + u'/' + QLatin1String(kind) + u'/' + sender + u'/' + token;
}

void SessionBus::watchRequest(const QString &path, QObject *receiver, const char *slot, bool on)
{
    if (on)
        connection().connect(kPortal, path, kRequest, QStringLiteral("Response"), receiver, slot);
    else
        connection().disconnect(kPortal, path, kRequest, QStringLiteral("Response"), receiver, slot);
}
