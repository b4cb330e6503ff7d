#pragma once

#include "sessionbus.h"
#include "sleepguard.h"

#include <QDBusContext>
#include <QDBusPendingCall>
#include <QObject>

#include <optional>
#include <QVariantMap>

class QDBusPendingCallWatcher;

// Keeps the machine awake through the desktop's own services on the session
// bus: the desktop portal's inhibition of suspend (never of idling, so the
// screen still blanks and locks), or where no portal grants it the older
// power management inhibition (KDE, Xfce and others). Where neither answers,
// the program says once on stderr that the machine may sleep, and goes on.
//
// A new reason takes a new inhibition; the one before is ended only once the
// new one is granted, so the machine is never left without one. Every call is
// asynchronous. An inhibition still held when the object goes (the program's
// end) is ended then, waiting for the answer a moment, so that it does not
// outlive the program.
class DBusSleepGuard final : public QObject, public SleepGuard, protected QDBusContext
{
    Q_OBJECT

public:
    // On the session bus, connected when first needed: not at start-up
    // unless an alarm is armed then.
    explicit DBusSleepGuard(QObject *parent = nullptr);
    DBusSleepGuard(const QDBusConnection &bus, QObject *parent = nullptr);
    ~DBusSleepGuard() override;

    void endAndWait() override;

    void keepAwake(const QString &reason) override;
    void allowSleep() override;

    // What the portal is asked to inhibit: suspend only.
    static constexpr uint kSuspendFlag = 4;

private slots:
    void portalResponse(uint response, const QVariantMap &results);

private:
    enum class Via { Nothing, Portal, PowerManagement };
    struct Inhibition
    {
        Via via = Via::Nothing;
        QString reason;
        QString requestPath; // the portal's request object
        uint cookie = 0;     // power management's cookie
    };

    void askPortal();
    void askPowerManagement(const QString &whyNotPortal);
    void send(const QDBusMessage &call);
    void answered(const QDBusPendingCall &call);
    void portalAnswered(uint response);
    void granted();
    void notGranted(const QString &why);
    void release(Inhibition &inhibition);
    void watch(const QString &requestPath, bool on);
    void nothingKeepsAwake(const QString &why);

    SessionBus m_bus;
    QString m_reason;
    bool m_wanted = false;
    // The request on its way; a portal's is decided by its Response signal
    // (which may come before or after the call's own answer).
    Inhibition m_asking;
    std::optional<QDBusPendingCall> m_ask;
    QDBusPendingCallWatcher *m_askWatcher = nullptr;
    bool m_callAnswered = false;
    std::optional<uint> m_portalResponse;
    QString m_whyNotPortal;
    // What is held now.
    Inhibition m_held;
    int m_tokens = 0;
};
