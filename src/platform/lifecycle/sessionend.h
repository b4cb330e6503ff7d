#pragma once

#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QObject>
#include <QVariantMap>

#include <optional>

// The session's end as the desktop announces it: the X11 session manager's
// request to save (through Qt's session management), and on Wayland the
// desktop portal's session monitor, whose query-end state comes before the
// logout. A desktop without a portal is normal: one line on stderr. A portal
// whose desktop has no session monitor (KDE Plasma 5) says so in its answer,
// and is left quietly: the X11 session manager and the termination signal
// remain.
class SessionEnd final : public QObject
{
    Q_OBJECT

public:
    explicit SessionEnd(QObject *parent = nullptr);
    // Waits a moment for the answer to a query-end to leave.
    ~SessionEnd() override;

    // The session monitor's states (org.freedesktop.portal.Inhibit).
    enum State : uint { Running = 1, QueryEnd = 2, Ending = 3 };

signals:
    // The session is ending: leave as when the window is closed, saving.
    void ending();

private slots:
    void onRequestResponse(uint response, const QVariantMap &results);
    void onStateChanged(const QDBusObjectPath &session, const QVariantMap &state);

private:
    void startPortalMonitor();
    void endOnce();

    QString m_session;
    bool m_told = false;
    std::optional<QDBusPendingCall> m_answer;
};
