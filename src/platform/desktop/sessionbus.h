#pragma once

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QObject>

#include <functional>
#include <optional>

// The session bus as the desktop's services are spoken to here: connected
// when first needed (not at start-up unless an alarm is armed then), calls
// whose answers only the program's end waits for, a warning said once, and
// the desktop portal's request objects.
class SessionBus
{
public:
    static inline const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
    static inline const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
    static inline const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

    // The session bus of the environment, or the one given.
    SessionBus() = default;
    explicit SessionBus(const QDBusConnection &bus);

    QDBusConnection &connection();

    // A call answered in `context`'s thread, once, unless `context` goes first.
    void ask(const QDBusMessage &call, int timeoutMs, QObject *context,
             std::function<void(const QDBusPendingCall &)> answered);
    // A call whose answer only waitForSent() waits for: a release, a cancel.
    void send(const QDBusMessage &call, int timeoutMs);
    void waitForSent();

    // `text` as a warning, the first time only.
    void warnOnce(const QString &text);

    // The object the portal makes for a request or a session it is asked for
    // with `token`: known before the call, so that nothing it says on that
    // object can come before we listen.
    QString portalObject(const char *kind, const QString &token);
    // Listens (or no more) for the Response of the portal's request object
    // at `path`, with `slot` taking (uint, QVariantMap).
    void watchRequest(const QString &path, QObject *receiver, const char *slot, bool on = true);

private:
    std::optional<QDBusConnection> m_bus;
    QList<QDBusPendingCall> m_sent;
    bool m_warned = false;
};
