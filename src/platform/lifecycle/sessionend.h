#pragma once

#include <QObject>

// The session's end as the X11 session manager announces it: its request to
// save, through Qt's session management. (On Wayland the desktop portal's
// session monitor says it: PortalSessionMonitor.)
class SessionEnd final : public QObject
{
    Q_OBJECT

public:
    explicit SessionEnd(QObject *parent = nullptr);

signals:
    // The session is ending: leave as when the window is closed, saving.
    void ending();
};
