#pragma once

#include "sessionbus.h"

#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>

// The session's end as the desktop portal's session monitor announces it on
// Wayland: its query-end state comes before the logout, and is answered once
// the program has saved. A desktop without a portal is normal: one line on
// stderr. A portal whose desktop has no session monitor (KDE Plasma 5) says
// so in its answer, and is left quietly: the X11 session manager and the
// termination signal remain.
class PortalSessionMonitor final : public QObject
{
    Q_OBJECT

public:
    explicit PortalSessionMonitor(QObject *parent = nullptr);
    // Waits a moment for the answer to a query-end to leave.
    ~PortalSessionMonitor() override;

    // The session monitor's states (org.freedesktop.portal.Inhibit).
    enum State : uint { Running = 1, QueryEnd = 2, Ending = 3 };

signals:
    // The session is ending: leave as when the window is closed, saving.
    // Said at the query-end and again at the end itself.
    void ending();

private slots:
    void onRequestResponse(uint response, const QVariantMap &results);
    void onStateChanged(const QDBusObjectPath &session, const QVariantMap &state);

private:
    SessionBus m_bus;
    QString m_session;
};
