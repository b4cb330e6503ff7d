#pragma once

#include "sessionend.h"

#include <QDBusObjectPath>
#include <QVariantMap>

class QDBusPendingCallWatcher;

// The session's end as the desktop announces it: the X11 session manager's
// request to save (through Qt's session management), and on Wayland the
// desktop portal's session monitor, whose query-end state comes before the
// logout. A desktop without either is normal: one line on stderr.
class QtSessionEnd final : public SessionEnd
{
    Q_OBJECT

public:
    explicit QtSessionEnd(QObject *parent = nullptr);

private slots:
    void onRequestResponse(uint response, const QVariantMap &results);
    void onStateChanged(const QDBusObjectPath &session, const QVariantMap &state);

private:
    void startPortalMonitor();

    QString m_session;
    bool m_told = false;
};
