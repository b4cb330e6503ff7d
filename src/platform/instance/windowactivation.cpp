#include "windowactivation.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <cstring>
#include <xcb/xcb.h>

namespace {

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return a;
}

xcb_window_t rootOf(xcb_connection_t *c)
{
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// The startup notification protocol: a message to the root window in 20-byte
// pieces, the first marked _NET_STARTUP_INFO_BEGIN, ending with a zero byte.
void sendStartupMessage(xcb_connection_t *c, xcb_window_t from, const QByteArray &message)
{
    const xcb_atom_t begin = atom(c, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = atom(c, "_NET_STARTUP_INFO");
    const QByteArray bytes = message + '\0';
    for (qsizetype at = 0; at < bytes.size(); at += 20) {
        xcb_client_message_event_t event = {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 8;
        event.window = from;
        event.type = at == 0 ? begin : more;
        std::memcpy(event.data.data8, bytes.constData() + at, std::min<qsizetype>(20, bytes.size() - at));
        xcb_send_event(c, 0, rootOf(c), XCB_EVENT_MASK_PROPERTY_CHANGE, reinterpret_cast<const char *>(&event));
    }
}

// "..._TIME<server time>" at the end of a startup id: the time of the user's
// action that launched it, which the window manager weighs against focus
// stealing.
uint32_t launchTime(const QByteArray &id)
{
    const qsizetype at = id.lastIndexOf("_TIME");
    bool ok = false;
    const uint32_t time = at < 0 ? 0 : id.mid(at + 5).toUInt(&ok);
    return ok ? time : XCB_CURRENT_TIME;
}

void activateOnX11(QWindow *window, const QByteArray &id)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) {
        window->requestActivate();
        return;
    }
    xcb_connection_t *c = x11->connection();
    const xcb_window_t w = xcb_window_t(window->winId());
    // _NET_ACTIVE_WINDOW from an application (source 1), stamped with the
    // launch's time.
    xcb_client_message_event_t event = {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = w;
    event.type = atom(c, "_NET_ACTIVE_WINDOW");
    event.data.data32[0] = 1;
    event.data.data32[1] = launchTime(id);
    xcb_send_event(c, 0, rootOf(c), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
    // The launch is over: the desktop's busy cursor may go.
    QByteArray quoted = id;
    quoted.replace('\\', "\\\\").replace('"', "\\\"").replace(' ', "\\ ");
    sendStartupMessage(c, w, "remove: ID=" + quoted);
    xcb_flush(c);
}

} // namespace

QByteArray launchActivationToken()
{
    const QByteArray wayland = qgetenv("XDG_ACTIVATION_TOKEN");
    return wayland.isEmpty() ? qgetenv("DESKTOP_STARTUP_ID") : wayland;
}

void bringToFront(QWidget *widget, const QByteArray &token)
{
    widget->setWindowState(widget->windowState() & ~Qt::WindowMinimized);
    widget->show();
    widget->raise();
    QWindow *window = widget->windowHandle();
    if (!window)
        return;
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb") && !token.isEmpty()) {
        activateOnX11(window, token);
        return;
    }
    // Qt's Wayland plugin activates with the token it finds here, once, and
    // asks for a new one of its own while one of our windows has the focus.
    if (platform.startsWith(QLatin1String("wayland")) && !token.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", token);
    window->requestActivate();
}
